#pragma once

// Searching and changing records for the window and the command line: a search (Matcher) over
// each value as the record's text shows it, and changes (RecordChange) that write a record
// they touch as its unedited save would, plus the change. Plain C++17 over the codec and
// PCRE2.
#include "addfieldchange.h"
#include "deletefieldchange.h"
#include "editerror.h"
#include "indicatorchange.h"
#include "matcher.h"
#include "recordchange.h"
#include "replacechange.h"
#include "scope.h"
