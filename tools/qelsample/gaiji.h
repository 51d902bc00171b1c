// The sample's external characters: the definitions written to qelgaiji.tbl
// and the codes the body text may use.
#pragma once

#include <string>

namespace qelsample {

// One external character the body uses: a gaiji set (0-6, 99) and a code.
struct GaijiCode {
    int set;   // 0-6 or 99
    int code;  // 0-255
};

// Codes for body text outside any G tag (set 0), inside G1-G4/G6/G9 tags, and
// for headwords (set 99, also the middle dot 0xA5). Every one is defined in
// the table; headword codes are single characters that need no markup.
extern const GaijiCode BodyGaijiCodes[];
extern const int BodyGaijiCodeCount;
extern const GaijiCode HeadwordGaijiCodes[];
extern const int HeadwordGaijiCodeCount;

// Symbolic names defined in the table (used by the settings' symbols).
extern const char* const SpeakerSymbolName;
extern const char* const ArrowSymbolName;

// A "#xx#" reference to `code`, wrapped in the G tag of its set unless the set
// is 0: e.g. "<G1>#21#</G1>".
std::string gaiji_reference(const GaijiCode& g);

// The whole of qelgaiji.tbl (CR LF lines).
std::string gaiji_table_text();

}  // namespace qelsample
