#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What workspace files need of the platform, in one place: file_calls_posix.cpp on Linux,
// file_calls_win32.cpp on Windows, and test doubles that derive from SystemFileCalls. Each call
// returns 0 or the platform's error code, which ErrorText turns into the system's text.
namespace kovadex {

using FileHandle = intptr_t;

struct FileStatus {
    enum class Kind { Absent, Regular, Link, Other };
    Kind kind = Kind::Absent;
    uint32_t mode = 0;   // permission bits; on Windows the file's attributes
    uint32_t owner = 0;  // not used on Windows
    uint32_t group = 0;  // not used on Windows
    uint64_t size = 0;
};

class FileCalls {
public:
    virtual ~FileCalls() = default;

    // Opens an existing file to read, through links, without waiting (a FIFO opens at once).
    virtual int OpenToRead(const std::string& path, FileHandle& handle) = 0;
    virtual int Status(FileHandle handle, FileStatus& status) = 0;
    // Reads up to `size` bytes; `got` 0 is the end of the file.
    virtual int Read(FileHandle handle, char* buffer, std::size_t size, std::size_t& got) = 0;
    virtual void Close(FileHandle handle) = 0;

    // The name itself, not what a link leads to; an absent name is Kind::Absent, not an error.
    virtual int PathStatus(const std::string& path, FileStatus& status) = 0;
    virtual int ReadLink(const std::string& path, std::string& target) = 0;
    virtual int MayWrite(const std::string& path) = 0;

    // A new file, readable and writable by its owner only, named `prefix` and six more
    // characters that no other file in the folder has.
    virtual int CreateUnique(const std::string& prefix, FileHandle& handle,
                             std::string& created) = 0;
    // Writes all of `data` or fails.
    virtual int Write(FileHandle handle, const char* data, std::size_t size) = 0;
    // Gives the file the owner and group of `like` where the user may, and its mode.
    virtual int SetOwnerAndMode(FileHandle handle, const FileStatus& like) = 0;
    virtual int Sync(FileHandle handle) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int SyncFolder(const std::string& folder) = 0;
    virtual void Remove(const std::string& path) = 0;

    virtual std::string ErrorText(int error) = 0;
};

#if defined(_WIN32)
// Paths are bytes in the ANSI code page (the "A" calls); errors are GetLastError codes.
class Win32FileCalls : public FileCalls {
public:
    int OpenToRead(const std::string& path, FileHandle& handle) override;
    int Status(FileHandle handle, FileStatus& status) override;
    int Read(FileHandle handle, char* buffer, std::size_t size, std::size_t& got) override;
    void Close(FileHandle handle) override;
    int PathStatus(const std::string& path, FileStatus& status) override;
    int ReadLink(const std::string& path, std::string& target) override;
    int MayWrite(const std::string& path) override;
    int CreateUnique(const std::string& prefix, FileHandle& handle, std::string& created) override;
    int Write(FileHandle handle, const char* data, std::size_t size) override;
    int SetOwnerAndMode(FileHandle handle, const FileStatus& like) override;
    int Sync(FileHandle handle) override;
    int Rename(const std::string& from, const std::string& to) override;
    int SyncFolder(const std::string& folder) override;
    void Remove(const std::string& path) override;
    std::string ErrorText(int error) override;
};
using SystemFileCalls = Win32FileCalls;
#else
// Errors are errno values.
class PosixFileCalls : public FileCalls {
public:
    int OpenToRead(const std::string& path, FileHandle& handle) override;
    int Status(FileHandle handle, FileStatus& status) override;
    int Read(FileHandle handle, char* buffer, std::size_t size, std::size_t& got) override;
    void Close(FileHandle handle) override;
    int PathStatus(const std::string& path, FileStatus& status) override;
    int ReadLink(const std::string& path, std::string& target) override;
    int MayWrite(const std::string& path) override;
    int CreateUnique(const std::string& prefix, FileHandle& handle, std::string& created) override;
    int Write(FileHandle handle, const char* data, std::size_t size) override;
    int SetOwnerAndMode(FileHandle handle, const FileStatus& like) override;
    int Sync(FileHandle handle) override;
    int Rename(const std::string& from, const std::string& to) override;
    int SyncFolder(const std::string& folder) override;
    void Remove(const std::string& path) override;
    std::string ErrorText(int error) override;
};
using SystemFileCalls = PosixFileCalls;
#endif

// How the platform spells paths. NameStart is where the last name in `path` begins; FolderOf
// is the folder that holds it ("." for a bare name).
std::size_t NameStart(const std::string& path);
std::string FolderOf(const std::string& path);
bool IsAbsolutePath(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

// Closes its handle when it goes.
class OpenFile {
public:
    OpenFile(FileCalls& calls, FileHandle handle) : m_calls(calls), m_handle(handle) {}
    ~OpenFile() { m_calls.Close(m_handle); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    FileHandle Handle() const { return m_handle; }

private:
    FileCalls& m_calls;
    FileHandle m_handle;
};

}  // namespace kovadex
