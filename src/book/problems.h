// Faults in the sources that the book writer works around: each kind is
// counted, its first occurrences are logged with their place, and one line
// per kind sums them up at the end of the run.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qel {

enum BookProblemKind {
    PROBLEM_SUBSTITUTE,   // a character the book cannot hold, written as 〓
    PROBLEM_ENTITY,       // an entity or reference of unknown name, kept as text
    PROBLEM_CONTROL,      // a control-code reference the book does not take
    PROBLEM_TAG,          // an unknown tag, passed over
    PROBLEM_BAD_TAG,      // a "<" that opens no well-formed tag, read as text
    PROBLEM_NESTING,      // a closing tag that closes others still open
    PROBLEM_STRAY_CLOSE,  // a closing tag with nothing to close
    PROBLEM_UNCLOSED,     // a tag left open at the end of its entry or page
    PROBLEM_DEAD_LINK,    // a link to an anchor no source defines, kept as text
    PROBLEM_DUPLICATE,    // an anchor name defined twice (the first counts)
    PROBLEM_LONG_KEY,     // a search key cut to the longest a reader takes
    PROBLEM_EMPTY_KEY,    // a search key with nothing left to search
    PROBLEM_KEY_TYPE,     // a search key of unknown type
    PROBLEM_FIGURE,       // a figure the book cannot store: its caption stays as text
    PROBLEM_SOUND,        // a sound the book cannot store: its caption stays as text
    PROBLEM_KINDS
};

struct BookProblems {
    int count[PROBLEM_KINDS];   // occurrences of each kind so far
    int holding;                // log lines are held back (a reading that may be done again)
    std::vector<std::pair<int, std::string>> held;  // the lines held back, in order, with their kinds
};

// How many of each kind are logged one by one (figures and sounds: all of
// them, by name).
const int ProblemsLogged = 20;

// Counts a problem of `kind` at line `line` of `file`; while the kind has not
// been logged ProblemsLogged times, logs it with `detail` (the character,
// tag, name or key concerned; may be empty).
void note_problem(BookProblems& problems, int kind, const std::string& file, int line,
                  const std::string& detail);

// Adds the problems of a later part of the same reading to `into` (which is
// holding): its held lines after those of `into`, as long as each kind has
// lines to spare; its counts.
void merge_problems(BookProblems& into, const BookProblems& later);

// Writes the held lines to the log and stops holding.
void release_problem_log(BookProblems& problems);

// Reports one summary line for every kind that occurred.
void report_problems(const BookProblems& problems);

}  // namespace qel
