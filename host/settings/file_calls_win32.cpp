#include <windows.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "file_calls.h"

namespace kovadex {

namespace {

// Attributes that a replaced file passes on to the file that takes its place. Read-only files
// are refused before; compression and encryption belong to the folder's defaults.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kUniqueTries = 100;
// The most that one ReadFile or WriteFile call moves (its count is 32 bits).
constexpr std::size_t kMaxTransfer = 1 << 20;

HANDLE HandleOf(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

int LastError() {
    return static_cast<int>(GetLastError());
}

int ErrorOf(BOOL ok) {
    return ok ? 0 : LastError();
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// A symbolic link or a junction; other reparse points (deduplicated or cloud files) are files.
bool IsLinkTag(DWORD tag) {
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

bool IsLink(const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsLinkTag(found.dwReserved0);
}

FileStatus StatusOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow) {
    FileStatus result;
    result.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileStatus::Kind::Other
                                                               : FileStatus::Kind::Regular;
    result.mode = attributes;
    result.size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
    return result;
}

// Six characters from a generator seeded once per process from the clock and the process.
std::string SixCharacters() {
    static std::mt19937_64 random(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(GetCurrentProcessId()) << 32));
    static constexpr char kCharacters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string six;
    for (int n = 0; n < 6; ++n) {
        six.push_back(kCharacters[random() % (sizeof kCharacters - 1)]);
    }
    return six;
}

}  // namespace

std::size_t NameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos) {
        return separator + 1;
    }
    // "C:name" names a file in the current folder of drive C.
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// The root of a drive or of the current drive keeps its separator: "C:" alone is the current
// folder of drive C, not its root.
std::string FolderOf(const std::string& path) {
    const std::size_t start = NameStart(path);
    if (start == 0) {
        return ".";
    }
    const std::string folder = path.substr(0, start - 1);
    if (!IsSeparator(path[start - 1]) || folder.empty() || folder.back() == ':') {
        return path.substr(0, start);
    }
    return folder;
}

// "\folder", "\\server\share", "C:\folder" and, since joining it to a folder makes no name,
// "C:name".
bool IsAbsolutePath(const std::string& path) {
    return (!path.empty() && IsSeparator(path.front())) || (path.size() >= 2 && path[1] == ':');
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (IsSeparator(folder.back()) || folder.back() == ':')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

// Folders open too (FILE_FLAG_BACKUP_SEMANTICS), so that Status can refuse them as what they
// are rather than with "Access denied".
int Win32FileCalls::OpenToRead(const std::string& path, FileHandle& handle) {
    const HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    handle = reinterpret_cast<FileHandle>(opened);
    return opened == INVALID_HANDLE_VALUE ? LastError() : 0;
}

int Win32FileCalls::Status(FileHandle handle, FileStatus& status) {
    SetLastError(NO_ERROR);
    const DWORD type = GetFileType(HandleOf(handle));
    if (type != FILE_TYPE_DISK) {
        if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) {
            return LastError();
        }
        status = FileStatus{};
        status.kind = FileStatus::Kind::Other;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(HandleOf(handle), &information)) {
        return LastError();
    }
    status =
        StatusOf(information.dwFileAttributes, information.nFileSizeHigh, information.nFileSizeLow);
    return 0;
}

int Win32FileCalls::Read(FileHandle handle, char* buffer, std::size_t size, std::size_t& got) {
    DWORD read = 0;
    const BOOL ok = ReadFile(HandleOf(handle), buffer,
                             static_cast<DWORD>(std::min(size, kMaxTransfer)), &read, nullptr);
    got = ok ? read : 0;
    if (!ok && GetLastError() == ERROR_HANDLE_EOF) {
        return 0;
    }
    return ErrorOf(ok);
}

void Win32FileCalls::Close(FileHandle handle) {
    CloseHandle(HandleOf(handle));
}

// A name in a folder that does not exist is as absent as on POSIX (ENOENT there): the save
// then fails where it creates the new file, with the system's reason.
int Win32FileCalls::PathStatus(const std::string& path, FileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    status = FileStatus{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? 0
                   : static_cast<int>(error);
    }
    status = StatusOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLink(path)) {
        status.kind = FileStatus::Kind::Link;
    }
    return 0;
}

// The store does not follow Windows links itself: a save through one is refused with this
// reason, and a load goes through it as the system opens it.
int Win32FileCalls::ReadLink(const std::string&, std::string&) {
    return ERROR_NOT_SUPPORTED;
}

// Read-only is tested by its attribute: Windows refuses to write such a file to every user,
// and Wine run as root would not. Opening for writing and deleting, shared with everyone,
// finds a file that another program holds open without letting it be replaced.
int Win32FileCalls::MayWrite(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastError();
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    const HANDLE opened = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    CloseHandle(opened);
    return 0;
}

int Win32FileCalls::CreateUnique(const std::string& prefix, FileHandle& handle,
                                 std::string& created) {
    for (int attempt = 0;; ++attempt) {
        const std::string name = prefix + SixCharacters();
        const HANDLE opened = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened != INVALID_HANDLE_VALUE) {
            handle = reinterpret_cast<FileHandle>(opened);
            created = name;
            return 0;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
            attempt + 1 == kUniqueTries) {
            return static_cast<int>(error);
        }
    }
}

int Win32FileCalls::Write(FileHandle handle, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(HandleOf(handle), data, static_cast<DWORD>(std::min(size, kMaxTransfer)),
                       &written, nullptr)) {
            return LastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT;
        }
        data += written;
        size -= written;
    }
    return 0;
}

// Windows has no mode bits and gives a new file its folder's permissions: what passes on is
// the attributes that a user sets (hidden, system, archive, not indexed).
int Win32FileCalls::SetOwnerAndMode(FileHandle handle, const FileStatus& like) {
    FILE_BASIC_INFO information{};
    information.FileAttributes = like.mode & kKeptAttributes;
    if (information.FileAttributes == 0) {
        return 0;
    }
    return ErrorOf(SetFileInformationByHandle(HandleOf(handle), FileBasicInfo, &information,
                                              sizeof information));
}

int Win32FileCalls::Sync(FileHandle handle) {
    return ErrorOf(FlushFileBuffers(HandleOf(handle)));
}

// One step that replaces the name, and returns only once the move is on the disk.
int Win32FileCalls::Rename(const std::string& from, const std::string& to) {
    return ErrorOf(
        MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

// MOVEFILE_WRITE_THROUGH has put the rename on the disk already; Windows has no call that
// flushes a folder for an ordinary user.
int Win32FileCalls::SyncFolder(const std::string&) {
    return 0;
}

void Win32FileCalls::Remove(const std::string& path) {
    DeleteFileA(path.c_str());
}

std::string Win32FileCalls::ErrorText(int error) {
    char buffer[512];
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text.empty() ? "Unknown error " + std::to_string(error) : text;
}

}  // namespace kovadex
