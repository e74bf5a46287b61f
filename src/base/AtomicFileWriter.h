#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

// Replaces a file's content all at once: the text goes to a temporary file beside the target,
// which is synced and renamed over the target only when every write succeeded, and the folder is
// synced so that the rename itself survives a power cut. When anything fails, the target keeps its
// old content, the temporary file is removed and Error() says why.
//
// A symbolic link at the path is written through: the file it points to gets the new content and
// the link stays, also when that file does not exist yet (a link into a dotfiles folder made
// before the file). By default an existing file keeps its permission bits and a new one gets
// `Mode` less the umask, as open() does; with `ExactMode` the file ends up with exactly `Mode`.
//
// A writer killed in the middle leaves its temporary file behind; the next writer of the same
// target removes such leftovers. Each writer holds a lock on its own temporary file, which tells a
// leftover from the file of a writer still at work.
class TAtomicFileWriter
{
public:
    struct TOptions
    {
        mode_t Mode = 0666;
        bool ExactMode = false;
        bool CreateFolders = true; // else a missing folder fails the write
    };

    // Creates the temporary file (and, as the options say, missing folders of the path).
    explicit TAtomicFileWriter(std::string path);
    TAtomicFileWriter(std::string path, TOptions options);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Writes are ignored once one has failed.
    void Write(std::string_view bytes);
    // Syncs, closes and renames; false with Error() set when this or anything before failed.
    bool Commit();

    bool Failed() const { return !Message.empty(); }
    const std::string& Error() const { return Message; }
    // The file that receives the content: the path given, or what its symbolic link points to.
    const std::string& TargetPath() const { return Target; }

    // The file `path` names once symbolic links are followed: the path itself when it is no link,
    // else the end of the chain, which need not exist. Empty when the chain never ends (a loop, or
    // more links than the system itself would follow).
    static std::string FollowLinks(const std::string& path);

    // Marks the temporary files of a target: "." + file name + TempInfix + decimal digits.
    static constexpr std::string_view TempInfix = ".tmp";

private:
    void Open(const TOptions& options);
    void RemoveLeftovers(const std::string& folder, const std::string& base) const;
    void SetError(const std::string& what, int error);
    void Discard();

    std::string Target;
    std::string TempPath;
    int Fd = -1;
    std::string Message;
};
