#pragma once

#include <string>
#include <vector>

namespace rure {

// The program's arguments, kept out of sight of the machine's other users.
// Every user can read a process's command line (ps, /proc/PID/cmdline), and a
// camera address given there may carry a password. This copies the arguments
// into memory of the program's own, then rewrites the process's command line
// without the arguments that look like addresses (CommandLine.h): the others
// move up and the freed bytes are zeroed. The program reads its arguments from
// here from then on, Qt included.
//
// Construct it first thing in main, before anything else reads argv, and keep
// it for as long as QApplication lives, which keeps references to both.
class PrivateArguments {
public:
    PrivateArguments(int argc, char** argv);

    PrivateArguments(const PrivateArguments&) = delete;
    PrivateArguments& operator=(const PrivateArguments&) = delete;

    // The copies, all of them, as main got them; argv is null-terminated.
    int& argc() { return count_; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

} // namespace rure
