#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. Paths end without a separator.
class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return Root; }
    std::string File(const std::string& name) const { return Root + "/" + name; }

    // Writes `contents` byte for byte to File(name) and returns that path.
    std::string Write(const std::string& name, const std::string& contents) const;
    std::string Read(const std::string& name) const;

private:
    std::string Root;
};
