#pragma once

// The record checker: the rules of CNMARC and MARC21 a catalogue record is held to, over the
// codec. Plain C++17; nothing here knows about windows.
#include "filechecker.h"
#include "problem.h"
