// The plan of one record, derived from the seed and the record's index alone.
#include "plan.h"

#include <cstring>

#include "random.h"
#include "words.h"

namespace qelsample {

namespace {

// Headwords with digits or punctuation in the key, for the first records.
struct SpecialHeadword {
    const char* key;
    const char* display;
};
const SpecialHeadword SpecialHeadwords[] = {
    {"24/7", "24/7"},  // no letter: filed under "@"
    {"3-D", "3-D"},    // filed under D
    {"'em", "'em"},    // filed under E
};

// Weights of the first block's part of speech, in PartsOfSpeech order.
const int PosWeights[PartOfSpeechCount] = {45, 15, 8, 15, 7, 3, 2, 1, 1, 1, 1};

// Every record whose index leaves this remainder is a showcase record.
const int ShowcasePeriod = 50;
const int ShowcaseRemainder = 3;

}  // namespace

int entry_number(uint64_t seed, int index) {
    Rng r = rng_for(seed, static_cast<uint64_t>(index), StreamNumber);
    return 2 * index + 1 + below(r, 2);
}

int blocks_matching_pos(const RecordPlan& plan, int b) {
    const char* abbreviation = PartsOfSpeech[plan.blocks[b].pos].abbreviation;
    int n = 0;
    for (int i = 0; i < plan.block_count; ++i)
        if (std::strstr(PartsOfSpeech[plan.blocks[i].pos].abbreviation, abbreviation)) ++n;
    return n;
}

RecordPlan make_plan(uint64_t seed, int count, int index) {
    Rng r = rng_for(seed, static_cast<uint64_t>(index), StreamPlan);
    RecordPlan p;
    p.index = index;
    p.number = entry_number(seed, index);
    p.gap_number = p.number % 2 == 1 ? p.number + 1 : p.number - 1;
    p.salt = next_random(r);
    p.showcase = index % ShowcasePeriod == ShowcaseRemainder;

    // Headword: the first letter follows the record's place in the book.
    char letter = static_cast<char>('a' + static_cast<int>(static_cast<int64_t>(index) * 26 / (count > 0 ? count : 1)));
    Headword h = make_headword(r, letter);
    const int special_count = static_cast<int>(sizeof SpecialHeadwords / sizeof SpecialHeadwords[0]);
    if (index < special_count && count > ShowcasePeriod) {
        p.special = true;
        p.key = SpecialHeadwords[index].key;
        p.display = SpecialHeadwords[index].display;
    } else {
        p.key = h.key;
        p.display = h.display;
    }

    // Size class.
    p.long_entry = p.showcase || index % 25 == 12 || chance(r, 1);

    // Part-of-speech blocks, each with its own part of speech.
    if (p.long_entry)
        p.block_count = between(r, 3, MaxBlocks);
    else
        p.block_count = chance(r, 15) ? 2 : 1;
    bool used[PartOfSpeechCount] = {};
    for (int b = 0; b < p.block_count; ++b) {
        BlockPlan& blk = p.blocks[b];
        int pos = pick_weighted(r, PosWeights, PartOfSpeechCount);
        while (used[pos]) pos = (pos + 1) % PartOfSpeechCount;
        used[pos] = true;
        blk.pos = pos;
        if (p.long_entry) {
            blk.senses = between(r, 3, MaxSenses);
        } else {
            static const int SenseWeights[] = {20, 40, 40};
            blk.senses = 1 + pick_weighted(r, SenseWeights, 3);
        }
        blk.unnumbered = blk.senses == 1 && chance(r, 40);
        if (!blk.unnumbered && chance(r, p.long_entry ? 50 : 12)) blk.subsenses = between(r, 1, 3);
        for (int s = 0; s < blk.senses; ++s)
            if (chance(r, p.long_entry ? 50 : 50)) blk.examples |= 1u << s;
    }
    if (p.showcase) {
        p.blocks[0].unnumbered = false;
        if (p.blocks[0].subsenses == 0) p.blocks[0].subsenses = 2;
        p.blocks[0].examples |= 3u;
    }
    p.section_sense = p.blocks[p.block_count - 1].senses;

    // Labelled sections, idioms, derived forms, works, media, etymology.
    if (p.showcase)
        p.sections = 31;
    else if (p.long_entry)
        p.sections = between(r, 1, 31);
    else if (chance(r, 8))
        p.sections = 1 << below(r, 5);
    if (p.showcase)
        p.idioms = 3;
    else if (p.long_entry)
        p.idioms = between(r, 1, 4);
    else if (chance(r, 10))
        p.idioms = 1;
    if (!p.special) {
        if (p.showcase)
            p.derived = 2;
        else if (p.long_entry)
            p.derived = between(r, 1, MaxDerived);
        else if (chance(r, 7))
            p.derived = 1;
        for (int d = 0; d < p.derived; ++d) p.derived_pos[d] = chance(r, 50);
        if (p.showcase) {
            p.derived_pos[0] = true;
            p.derived_pos[1] = false;
        }
    }
    if (p.showcase)
        p.titles = 2;
    else if (index % ShowcasePeriod == 23 || chance(r, p.long_entry ? 20 : 2))
        p.titles = between(r, 1, 3);
    p.figure = p.showcase || index % ShowcasePeriod == 11 || chance(r, p.long_entry ? 20 : 2);
    p.sound = p.showcase || index % ShowcasePeriod == 17 || chance(r, 10);
    p.source = p.showcase || chance(r, p.long_entry ? 50 : 8);
    return p;
}

}  // namespace qelsample
