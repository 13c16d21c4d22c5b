#!/usr/bin/perl
# peers.pl CHECK-DUMP FILE...
# Compares the checker's verdict on every ISBN and ISSN of the files (`check-dump numbers`)
# with Perl's MARC tools: an ISBN as MARC::Lint judges a 020 $a holding it (the digits it takes
# from the value, their count, the check digit through Business::ISBN), an ISSN as
# Business::ISSN reads it. Prints each value on which they differ; fails when any does, and
# exits 77 (skipped) when the Perl modules are not installed.
use strict;
use warnings;
use utf8;

for my $module (qw(MARC::Field MARC::Lint Business::ISSN)) {
    unless (eval "require $module; 1") {
        print "skipped: $module is not installed (Debian: libmarc-lint-perl, libbusiness-issn-perl)\n";
        exit 77;
    }
}

binmode STDOUT, ':encoding(UTF-8)';
my ($dump, @files) = @ARGV;
open(my $numbers, '-|', $dump, 'numbers', @files) or die "cannot run $dump: $!";
binmode $numbers, ':encoding(UTF-8)';

sub isbn_verdict {
    my ($value) = @_;
    # MARC::Lint's pattern takes only a capital X as check character; Business::ISBN, which it
    # uses for the check digit, reads a small one as the same.
    $value =~ s/^(\s*[\d\- ]{9,}?)x/$1X/;
    my $lint = MARC::Lint->new;
    $lint->check_020(MARC::Field->new('020', ' ', ' ', a => $value));
    my @warnings = $lint->warnings;
    return 'shape' if grep { /wrong number of digits/ } @warnings;
    return 'check' if grep { /bad checksum/ } @warnings;
    return 'valid';
}

sub issn_verdict {
    my ($value) = @_;
    my $issn = Business::ISSN->new($value);
    return 'shape' unless defined $issn;
    return $issn->is_valid ? 'valid' : 'check';
}

my ($compared, $differ) = (0, 0);
while (my $line = <$numbers>) {
    chomp $line;
    my ($file, $record, $tag, $kind, $ours, $value) = split /\t/, $line, 6;
    $value //= '';
    my $theirs = $kind eq 'isbn' ? isbn_verdict($value) : issn_verdict($value);
    ++$compared;
    next if $ours eq $theirs;
    ++$differ;
    print "$file record $record $tag $kind \"$value\": checker $ours, peer $theirs\n";
}
close($numbers) or die "$dump failed";
print "$compared values compared, $differ differ\n";
exit($differ > 0 || $compared == 0 ? 1 : 0);
