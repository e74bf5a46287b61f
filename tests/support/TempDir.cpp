#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TTempDir::TTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quarrow-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    Root = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(Root, ignored);
}

std::string TTempDir::Write(const std::string& name, const std::string& contents) const
{
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TTempDir::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
