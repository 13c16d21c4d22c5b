#pragma once

// The record codec: ISO 2709 records as GBK bytes, their display text, the builder and the
// file reader. Plain C++17, and yaz for MARC-8; nothing here knows about windows.
#include "builder.h"
#include "displaytext.h"
#include "encoding.h"
#include "encodingvote.h"
#include "fieldtext.h"
#include "gbk.h"
#include "lookup.h"
#include "marc.h"
#include "reader.h"
