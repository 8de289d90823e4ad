#include "PrivateArguments.h"

#include "CommandLine.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace rure {

namespace {

// Whether the kernel laid the arguments out one after another, as exec does:
// then they form one block that can be rewritten as a whole.
bool isOneBlock(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != argv[i - 1] + std::strlen(argv[i - 1]) + 1) {
            return false;
        }
    }
    return true;
}

} // namespace

PrivateArguments::PrivateArguments(int argc, char** argv) {
    arguments_.reserve(static_cast<size_t>(argc));
    std::vector<bool> hidden;
    for (int i = 0; i < argc; ++i) {
        arguments_.emplace_back(argv[i]);
        // The program's own name stays, whatever it looks like.
        hidden.push_back(i > 0 && looksLikeAddress(QString::fromLocal8Bit(argv[i])));
    }
    // Only now: the strings no longer move.
    for (std::string& argument : arguments_) {
        pointers_.push_back(argument.data());
    }
    pointers_.push_back(nullptr);
    count_ = argc;

    if (argc == 0 || std::find(hidden.begin(), hidden.end(), true) == hidden.end()) {
        return;
    }
    if (!isOneBlock(argc, argv)) {
        // Each address zeroed where it lies.
        for (int i = 1; i < argc; ++i) {
            if (hidden[static_cast<size_t>(i)]) {
                std::memset(argv[i], 0, std::strlen(argv[i]));
            }
        }
        return;
    }
    // The block holds the kept arguments one after another, then zeros to its end.
    char* const start = argv[0];
    char* const end = argv[argc - 1] + std::strlen(argv[argc - 1]) + 1;
    char* next = start;
    for (int i = 0; i < argc; ++i) {
        if (hidden[static_cast<size_t>(i)]) {
            continue;
        }
        const std::string& kept = arguments_[static_cast<size_t>(i)];
        std::memcpy(next, kept.c_str(), kept.size() + 1);
        next += kept.size() + 1;
    }
    std::memset(next, 0, static_cast<size_t>(end - next));
}

} // namespace rure
