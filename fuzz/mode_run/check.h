#pragma once
// A broken rule ends the fuzzer's run with the rule's text, so that the input is kept as a finding.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace mode_run {

[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "mode run broke a rule: %s\n", what.c_str());
    std::abort();
}

inline void check(bool condition, const std::string& what) {
    if (!condition) fail(what);
}

}  // namespace mode_run
