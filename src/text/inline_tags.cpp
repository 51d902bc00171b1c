// Stepping through a field value by characters and tags.
#include "text/inline_tags.h"

#include <cstring>

#include "text/sjis.h"

namespace qel {

const char* skip_inline_character(const char* p) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (b == MiddleDotByte) return p + 1;
    if (is_gaiji_reference(p)) return p + 4;
    return next_char(p);
}

const char* next_tag_start(const char* p) {
    while (*p != '\0' && *p != '<') p = skip_inline_character(p);
    return p;
}

const char* read_inline_tag(const char* p, InlineTag& tag) {
    tag.closing = p[1] == '/';
    const char* name = p + (tag.closing ? 2 : 1);
    const char* q = name;
    while (*q != '>' && *q != '\0' && *q != '\r' && *q != '\n') ++q;
    tag.name = std::string_view(name, static_cast<size_t>(q - name));
    tag.closed = *q == '>';
    return tag.closed ? q + 1 : end_of_text(q);
}

const char* skip_comment(const char* p) {
    const char* end = std::strstr(p, "</CMT>");
    return end ? end + 6 : nullptr;
}

}  // namespace qel
