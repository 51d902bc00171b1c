// Multi (complex) search: the groups of the complex-search definition, each
// one search of the book whose fields all look up the condition keys.
#pragma once

#include <string>
#include <vector>

#include "book/search_index.h"

namespace qel {

// Most multi searches a reader keeps, and most fields of one.
const int MaxMultiSearches = 10;
const int MaxMultiFields = 5;
// Bytes of a field label (15 characters) and of a title (16 characters).
const int MultiLabelBytes = 30;
const int MultiTitleBytes = 32;

// One multi search: its title and its fields' labels, in JIS X 0208.
struct MultiSearch {
    std::string title;                // at most MultiTitleBytes bytes
    std::vector<std::string> labels;  // 1-MaxMultiFields labels, each at most MultiLabelBytes bytes
};

// Reads the complex-search definition `path` (<complex>, <group name>, its
// <keyword name> elements). Groups without fields, fields and groups beyond
// the limits and over-long names are reported and left out or cut; a
// definition with no usable group gives none. Returns 0, or -1 after
// reporting when the file cannot be read.
int read_complex_definition(const std::string& path, TextContext& context, std::vector<MultiSearch>& searches);

// The definition page of a multi search whose every field searches the
// index at `keys`.
std::vector<unsigned char> make_multi_page(const MultiSearch& search, const IndexExtent& keys);

// The search-title page that names the multi searches.
std::vector<unsigned char> make_search_title_page(const std::vector<MultiSearch>& searches);

}  // namespace qel
