// The body conversion's shared state and holding buffer.
#include "html/body_state.h"

namespace qel {

const ProgramIdentity Identity = {"qelconv", "pre-release4a", "2004/12/25"};

void flush_held_text(BodyConversionState& state) {
    std::string& held = state.output_holding_buffer.text;
    if (held.empty()) return;
    file_write(state.body, held.data(), held.size());
    held.clear();
}

}  // namespace qel
