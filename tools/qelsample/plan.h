// The plan of one record: what it holds that links may point at. A plan is a
// pure function of the seed, the record count and the record's index, so the
// generator can look at any record's plan (a link's target) at any time.
#pragma once

#include <cstdint>
#include <string>

namespace qelsample {

const int MaxBlocks = 4;
const int MaxSenses = 7;
const int MaxDerived = 3;

// One part-of-speech block: a PS line and its meanings.
struct BlockPlan {
    int pos = 0;              // index into PartsOfSpeech
    int senses = 1;           // numbered meanings TR1..TRn (1 for an MN block)
    int subsenses = 0;        // TRSUB1(1)..TRSUB1(k) after the first meaning
    bool unnumbered = false;  // the single meaning is an MN line (counts as TR1)
    uint32_t examples = 0;    // bit s-1: meaning s has an example (EX with KEYEX)
};

struct RecordPlan {
    int index = 0;               // 0-based record number
    int number = 0;              // entry number (RN), ascending with the index
    int gap_number = 0;          // an entry number next to it that no record has
    uint64_t salt = 0;           // varies idioms, titles and derived suffixes
    std::string key;             // headword key (after "|" in EN)
    std::string display;         // headword display part (before "|")
    bool special = false;        // a fixed headword (digits or punctuation in the key)
    bool showcase = false;       // a record that holds every kind of line and markup
    bool long_entry = false;     // long enough for an in-entry jump menu
    int block_count = 1;         // PS blocks of the main headword
    BlockPlan blocks[MaxBlocks];
    int sections = 0;            // bit n-1: an OTn line (with its label) is present
    int section_sense = 1;       // meaning number in force at the OT lines
    int idioms = 0;              // ID lines (each with its KEYID)
    int derived = 0;             // DR forms
    bool derived_pos[MaxDerived] = {};  // the DR form has a PS line of its own
    int titles = 0;              // TLSUB work titles after a "TL=◇" line; 0: no TL section
    bool figure = false;         // an IMG line after the first meaning
    bool sound = false;          // a SND line before the first shown line
    bool source = false;         // an SRC (etymology) line
};

// The plan of record `index` of `count` records under `seed`.
RecordPlan make_plan(uint64_t seed, int count, int index);

// Entry number of record `index` (ascending, with gaps).
int entry_number(uint64_t seed, int index);

// Number of blocks of the plan whose part-of-speech abbreviation contains the
// abbreviation of block `b` (1 when only block b itself: a link naming that
// part of speech lands in block b).
int blocks_matching_pos(const RecordPlan& plan, int b);

}  // namespace qelsample
