#pragma once
// A file that replaces its target only once it is complete: it is written
// under a temporary name in the target's folder and moved over the target by
// Commit. Until then an existing file of the target's name stays as it was,
// and a writer that fails or is abandoned leaves nothing behind.

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavix::platform {

class FileReplacement {
public:
    // Creates the temporary file; Stream() is null when that failed (no
    // such folder, no permission, a name too long).
    explicit FileReplacement(const char* target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Binary output stream of the temporary file.
    std::FILE* Stream() const { return stream_; }
    // Moves the stream to a position, to patch what was written before.
    bool Seek(uint64_t position);
    // Takes back everything after the first length bytes and goes on
    // writing there, a failed write forgotten: a writer that failed part way
    // through a record keeps the records before it. For unbuffered streams,
    // where a failed write leaves nothing pending.
    bool CutAt(uint64_t length);
    // For long streams of writes: the range just written starts out to
    // the disk at once, and an older range, once there, leaves the cache,
    // so that writing keeps the disk's pace and does not fill the memory.
    void StartWriteBack(uint64_t offset, uint64_t length);
    void DropWritten(uint64_t offset, uint64_t length);
    // Flushes the stream to the disk, closes it and renames the temporary
    // file over the target. False when any step failed; the temporary file
    // is then removed and the target untouched.
    bool Commit();

private:
    void Discard();

    std::string target_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};

} // namespace tavix::platform
