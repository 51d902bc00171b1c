// A divided body conversion: the second part of main.txt is converted on a
// thread of its own, into files of its own, while the first part converts
// the lines before it; where they meet (the seam) the first part takes the
// second part's work over when both stand in the same state there, and
// otherwise goes on converting by itself. Either way the outputs are the
// bytes of a conversion in one piece.
//
// The second part starts two records before the seam with the link number
// and the menu numbers that the hyperlink pass counted before that record;
// the output of those two records only builds up the rest of its state (the
// entry, the held text, the readers of the index lists, the quick-jump data
// and the link groups) and is thrown away, with its messages. Its messages after the seam are held until it is taken
// over; one that has more to say than they may hold gives its work up.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "common/settings.h"
#include "html/body_state.h"
#include "html/body.h"
#include "text/gaiji_codes.h"

namespace qel {

// The second part of one divided body conversion.
struct BodyPart;

// Starts the second part of the body from `split` (its start found by the
// hyperlink pass), converting into BASEPATH's "qel.html.part" and
// "qelmenuN.html.part" after the seam. Returns the part, or none when no
// thread can be started (the body is converted in one piece).
BodyPart* start_body_part(const ConversionSettings& settings, const GaijiCodes& gaiji, const BodySplit& split,
                          int link_count);

// The offset of main.txt the part has converted up to, for the progress.
const std::atomic<int32_t>* body_part_reached(const BodyPart* part);

// At the seam, once the first part (`state`) has taken the seam's RA line:
// when the part stood in the same state there and has converted the rest
// of main.txt to its end, appends its files to the body and the menu pages
// of `state`, shows its messages, takes its link count into `state` and
// returns 1: the whole body is converted but for the closing of the files.
// Otherwise ends the part and returns 0: the first part converts on. Either
// way the part is gone.
int join_body_part(BodyPart* part, BodyConversionState& state);

// Ends the part without taking anything of it (the first part failed or
// never reached the seam): its messages and files are dropped.
void end_body_part(BodyPart* part);

// The state of a body conversion that the lines after the seam depend on,
// as a text: two conversions that give the same text go on to write the
// same bytes from the same lines.
std::string body_seam_state(BodyConversionState& state);

}  // namespace qel
