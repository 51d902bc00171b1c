// The hyperlink pass over main.txt: link numbering, target resolution, and the
// table "hyperlnk.tmp" sorted into "hyperlnk.dat".
#pragma once

#include "platform/platform.h"

namespace qel {

// Part-of-speech names a link target may carry, in this order.
const int PartOfSpeechCount = 11;
extern const char* const PartOfSpeechList[PartOfSpeechCount];

// The run's link serial counter: reset to 0; next adds one and returns it.
void reset_link_numbers();
int next_link_number();

// Resolves a link's target specification into the target description
// "kind:pos:number:sub:text", in a buffer valid until the next call, or none
// (nullptr). With `report_on` 1 unresolvable links are logged with `key`.
const char* resolve_link_target(const char* specification, const char* target, const char* key,
                                int report_on);

// Create (text, for writing) / open (text, for reading) / close a link data
// file in the working directory. Create and open report their failure and
// return none.
File* create_link_data(const char* name);
File* open_link_data(const char* name);
void close_link_data(File* file);

// The hyperlink pass and the external sort. 0 or -1.
int build_link_table();

}  // namespace qel
