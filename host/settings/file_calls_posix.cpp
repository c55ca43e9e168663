#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "file_calls.h"

namespace kovadex {

namespace {

int ErrorOf(bool failed) {
    return failed ? errno : 0;
}

FileStatus StatusOf(const struct stat& status) {
    FileStatus result;
    result.kind = S_ISREG(status.st_mode)   ? FileStatus::Kind::Regular
                  : S_ISLNK(status.st_mode) ? FileStatus::Kind::Link
                                            : FileStatus::Kind::Other;
    result.mode = status.st_mode & 07777;
    result.owner = status.st_uid;
    result.group = status.st_gid;
    result.size = static_cast<uint64_t>(status.st_size);
    return result;
}

}  // namespace

std::size_t NameStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::string FolderOf(const std::string& path) {
    const std::size_t start = NameStart(path);
    if (start == 0) {
        return ".";
    }
    return start == 1 ? "/" : path.substr(0, start - 1);
}

bool IsAbsolutePath(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

int PosixFileCalls::OpenToRead(const std::string& path, FileHandle& handle) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    handle = fd;
    return ErrorOf(fd < 0);
}

int PosixFileCalls::Status(FileHandle handle, FileStatus& status) {
    struct stat read {};
    if (::fstat(static_cast<int>(handle), &read) != 0) {
        return errno;
    }
    status = StatusOf(read);
    return 0;
}

int PosixFileCalls::Read(FileHandle handle, char* buffer, std::size_t size, std::size_t& got) {
    ssize_t count = -1;
    do {
        count = ::read(static_cast<int>(handle), buffer, size);
    } while (count < 0 && errno == EINTR);
    got = count < 0 ? 0 : static_cast<std::size_t>(count);
    return ErrorOf(count < 0);
}

void PosixFileCalls::Close(FileHandle handle) {
    ::close(static_cast<int>(handle));
}

int PosixFileCalls::PathStatus(const std::string& path, FileStatus& status) {
    struct stat read {};
    if (::lstat(path.c_str(), &read) != 0) {
        status = FileStatus{};
        return errno == ENOENT ? 0 : errno;
    }
    status = StatusOf(read);
    return 0;
}

int PosixFileCalls::ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t size = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (size < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(size) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(size));
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int PosixFileCalls::MayWrite(const std::string& path) {
    return ErrorOf(::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0);
}

int PosixFileCalls::CreateUnique(const std::string& prefix, FileHandle& handle,
                                 std::string& created) {
    std::string pattern = prefix + "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    handle = fd;
    created = pattern;
    return 0;
}

int PosixFileCalls::Write(FileHandle handle, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(handle), data, size);
        if (written < 0 && errno != EINTR) {
            return errno;
        }
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }
    return 0;
}

// Only root may give a file away, and only a member may give it a group: the owner and the
// group that are not the user's to set stay the user's own.
int PosixFileCalls::SetOwnerAndMode(FileHandle handle, const FileStatus& like) {
    const int fd = static_cast<int>(handle);
    if (::fchown(fd, like.owner, like.group) != 0) {
        if (errno != EPERM) {
            return errno;
        }
        if (::fchown(fd, static_cast<uid_t>(-1), like.group) != 0 && errno != EPERM) {
            return errno;
        }
    }
    return ErrorOf(::fchmod(fd, like.mode & 07777) != 0);
}

int PosixFileCalls::Sync(FileHandle handle) {
    return ErrorOf(::fsync(static_cast<int>(handle)) != 0);
}

int PosixFileCalls::Rename(const std::string& from, const std::string& to) {
    return ErrorOf(::rename(from.c_str(), to.c_str()) != 0);
}

// Some file systems cannot flush a folder (EINVAL): their renames are as safe as they get.
int PosixFileCalls::SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    ::close(fd);
    return error;
}

void PosixFileCalls::Remove(const std::string& path) {
    ::unlink(path.c_str());
}

std::string PosixFileCalls::ErrorText(int error) {
    return std::strerror(error);
}

}  // namespace kovadex
