#pragma once
// What FileReplacement asks of the operating system; names are multi-byte
// text of the thread's code page.

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavix::platform::os {

unsigned ProcessId();
// A binary output stream on a file that did not exist before; null when it
// cannot be created.
std::FILE* CreateNewFile(const std::string& path);
// Forces what the stream wrote (already flushed) onto the disk.
bool SyncToDisk(std::FILE* stream);
// Moves the stream's position, beyond 2 GiB too.
bool SeekStream(std::FILE* stream, uint64_t position);
// Cuts the file behind a flushed stream to length bytes.
bool TruncateStream(std::FILE* stream, uint64_t length);
// Starts writing a range of a file to the disk without waiting.
void StartWriteBack(std::FILE* stream, uint64_t offset, uint64_t length);
// Waits until a range is on the disk and drops it from the file cache.
void DropWritten(std::FILE* stream, uint64_t offset, uint64_t length);
// Renames from over to, replacing an existing file (Windows.h takes the
// name ReplaceFile for a macro).
bool MoveOver(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);

} // namespace tavix::platform::os
