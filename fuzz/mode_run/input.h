#pragma once
// The fuzz input, read front to back (an exhausted input reads as zeros): a machine, a command
// line from a grammar with the arguments the program's tokenizer makes of it, what is injected,
// what the waited program does, and what the last bytes add.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/mode_run/machine.h"
#include "fuzz/mode_run/run.h"

namespace mode_run {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    size_t pick(size_t choices) { return byte() % choices; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// ---- the command line, from a grammar, with the arguments it makes ----

// The command line as written, piece by piece, each with the arguments the program's tokenizer
// makes of it: quotes go, and blanks outside quotes part arguments.
struct WrittenLine {
    std::vector<std::pair<std::string, std::vector<std::string>>> pieces;

    void add(const std::string& text, std::vector<std::string> arguments, bool first = false) {
        pieces.insert(first ? pieces.begin() : pieces.end(), {text, std::move(arguments)});
    }
    std::string text(std::vector<std::string>* arguments = nullptr) const {
        std::string line;
        for (const auto& [text, made] : pieces) {
            line += " " + text;
            if (arguments != nullptr) arguments->insert(arguments->end(), made.begin(), made.end());
        }
        return line;
    }
};

// A fixed line whose quoted parts hold no blank: its arguments are its words without the quotes.
WrittenLine fixedLine(const std::string& text);

// The two standard runs on a clean machine, and the runs that wait for the product.
std::string installRun(const std::string& guid);
std::string uninstallRun(const std::string& guid);
// What an engine, the list of programs' Change, and a quiet uninstall run, waiting for the product.
std::string waitedRun(size_t which, const std::string& guid);

// One input, decoded.
struct FuzzCase {
    Machine machine;
    WrittenLine line;
    Injection injection = Injection::none;
    uint64_t call = 0;  // the number of the call injected
    // The waited program: bit 0 set when it cannot start, bit 1 when it removes the product, its
    // exit code chosen by bits 2 to 4, how its wait ends by bits 5 and 6, bit 7 for a window
    // station nobody sees.
    uint8_t standInChoice = 0;
    // What the last bytes add; none (an input that ends before them) keeps older inputs' meaning:
    // the GUID lengthened to 190..255 characters, the current directory inside the source's or
    // the target's folder, locked keys, an engine's line in UninstallString, a registry whose keys
    // are not renamed (as under Wine, or where Windows refuses): every key move copies; install
    // mode run again after a failure or a stop (bits 0, 1 and 2 of the last byte).
    size_t longName = 0;
    size_t currentDirectory = 0;
    uint8_t lockedKeys = 0;
    bool engineLines = false;
    bool keysCopied = false;
    // After a failure or a stop, install mode runs again before the entry, as the product's setup
    // may when it ends.
    bool installAgain = false;
};

FuzzCase decodeCase(const uint8_t* data, size_t size);

}  // namespace mode_run
