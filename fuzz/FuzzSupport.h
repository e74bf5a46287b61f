#pragma once

// Shared pieces of the fuzz targets: a failed property aborts with its text (libFuzzer then keeps
// the input), a scratch folder on a memory file system for the readers that take a path, and the
// split of one input into fields.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);                    \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// A folder of this process's own, created once; on /dev/shm when it is there, so that a target
// that writes and reads a file per input is not held up by a disk.
inline const std::string& ScratchFolder()
{
    // Never destroyed: the clean-up at exit still needs the name.
    static const std::string* const folder = [] {
        std::string pattern =
            (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) + "/quarrow-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        // Left behind when the fuzzer stops on a finding; a run that ends normally clears it.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return new std::string(pattern);
    }();
    return *folder;
}

inline void WriteScratchFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        std::abort();
}

// The fields of an input separated by the record separator byte 0x1E (a byte no configuration file,
// mask file or name list holds, so seeds made of real files are one field); at most `count`
// fields, the last one taking the rest.
inline std::vector<std::string_view> SplitFields(std::string_view input, std::size_t count)
{
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < count) {
        const std::size_t at = input.find('\x1e');
        if (at == std::string_view::npos)
            break;
        fields.push_back(input.substr(0, at));
        input.remove_prefix(at + 1);
    }
    fields.push_back(input);
    return fields;
}

// A value as the configuration file stores it: a line break or NUL would split its line, so each
// is written as a blank.
inline std::string BlankedLineBreaks(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return result;
}
