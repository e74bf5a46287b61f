#pragma once

#include <string>
#include <string_view>

// Replaces a file's content all at once: the text goes to a temporary file beside the target,
// which is synced and renamed over the target only when every write succeeded. When anything
// fails, the target keeps its old content, the temporary file is removed and Error() says why.
// The new file keeps the old file's permission bits (new files get 0666 less the umask).
class TAtomicFileWriter
{
public:
    // Creates missing folders of the path and the temporary file.
    explicit TAtomicFileWriter(std::string path);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Writes are ignored once one has failed.
    void Write(std::string_view bytes);
    // Syncs, closes and renames; false with Error() set when this or anything before failed.
    bool Commit();

    bool Failed() const { return !Message.empty(); }
    const std::string& Error() const { return Message; }

private:
    void SetError(const std::string& what, int error);
    void Discard();

    std::string Target;
    std::string TempPath;
    int Fd = -1;
    std::string Message;
};
