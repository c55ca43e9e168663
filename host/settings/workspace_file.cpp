#include "workspace_file.h"

#include <algorithm>
#include <utility>

#include "workspace_format.h"

namespace kovadex {

namespace {

// Like the kernel, give up after 40 links.
constexpr int kMaxLinks = 40;
// The longest file name of the common file systems.
constexpr std::size_t kMaxNameBytes = 255;
constexpr char kScratchEnd[] = ".";
constexpr std::size_t kReadChunkBytes = 64 * 1024;

FileResult Failure(std::string what) {
    return {false, std::move(what)};
}

std::string TooLarge(const std::string& what, uint64_t size) {
    return what + " is larger than " + kMaxWorkspaceFileText + " (" + std::to_string(size) +
           " bytes); a workspace file holds a few kilobytes";
}

// Follows `path` through symbolic links to the name that holds the file (relative links
// from their own folder) and gives that name's status; the name may be absent, but a link
// must lead somewhere.
FileResult ResolveLinks(FileCalls& calls, const std::string& path, std::string& target,
                        FileStatus& status) {
    target = path;
    for (int links = 0;; ++links) {
        if (const int error = calls.PathStatus(target, status)) {
            return Failure("cannot reach " + target + ": " + calls.ErrorText(error));
        }
        if (status.kind != FileStatus::Kind::Link) {
            if (links > 0 && status.kind == FileStatus::Kind::Absent) {
                return Failure(path + " is a symbolic link that leads nowhere (" + target +
                               " does not exist)");
            }
            return {true, {}};
        }
        std::string next;
        if (links == kMaxLinks) {
            return Failure(path + " leads through more than 40 symbolic links");
        }
        if (const int error = calls.ReadLink(target, next)) {
            return Failure("cannot read the link " + target + ": " + calls.ErrorText(error));
        }
        target = IsAbsolutePath(next) ? next : JoinPath(FolderOf(target), next);
    }
}

FileResult ReadOpenFile(FileCalls& calls, const std::string& path, FileHandle handle,
                        std::string& bytes) {
    FileStatus status;
    if (const int error = calls.Status(handle, status)) {
        return Failure("cannot read " + path + ": " + calls.ErrorText(error));
    }
    if (status.kind != FileStatus::Kind::Regular) {
        return Failure(path + " is not a regular file (a FIFO, a device or a folder)");
    }
    if (status.size > kMaxWorkspaceFileBytes) {
        return Failure(TooLarge(path, status.size));
    }
    // Reading one byte beyond the size tells the end at once, and one beyond the bound tells
    // a file that has grown since.
    std::string read;
    for (std::size_t want = status.size + 1; read.size() <= kMaxWorkspaceFileBytes;
         want = kReadChunkBytes) {
        const std::size_t start = read.size();
        read.resize(std::min(start + want, kMaxWorkspaceFileBytes + 1));
        std::size_t got = 0;
        if (const int error = calls.Read(handle, read.data() + start, read.size() - start, got)) {
            return Failure("cannot read " + path + ": " + calls.ErrorText(error));
        }
        read.resize(start + got);
        if (got == 0) {
            break;
        }
    }
    if (read.size() > kMaxWorkspaceFileBytes) {
        return Failure(TooLarge(path, read.size()));
    }
    bytes = std::move(read);
    return {true, {}};
}

FileResult ReadBytes(FileCalls& calls, const std::string& path, std::string& bytes) {
    FileHandle handle = -1;
    if (const int error = calls.OpenToRead(path, handle)) {
        std::string target;
        FileStatus status;
        const FileResult link = ResolveLinks(calls, path, target, status);
        return link.ok ? Failure("cannot read " + path + ": " + calls.ErrorText(error)) : link;
    }
    const OpenFile file(calls, handle);
    return ReadOpenFile(calls, path, handle, bytes);
}

// The new file's name: the old name (shortened when it is long) and six characters more.
std::string ScratchPrefix(const std::string& target) {
    const std::size_t nameStart = NameStart(target);
    const std::size_t room = kMaxNameBytes - 6 - (sizeof kScratchEnd - 1);
    const std::size_t nameSize = std::min(target.size() - nameStart, room);
    return target.substr(0, nameStart + nameSize) + kScratchEnd;
}

// Removes the new file unless it has taken the old one's place.
class ScratchFile {
public:
    ScratchFile(FileCalls& calls, std::string path) : m_calls(calls), m_path(std::move(path)) {}
    ~ScratchFile() {
        if (!m_path.empty()) {
            m_calls.Remove(m_path);
        }
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    FileCalls& m_calls;
    std::string m_path;
};

FileResult FillScratch(FileCalls& calls, FileHandle handle, const std::string& scratch,
                       const FileStatus& old, const std::string& text) {
    if (old.kind == FileStatus::Kind::Regular) {
        if (const int error = calls.SetOwnerAndMode(handle, old)) {
            return Failure("cannot give " + scratch +
                           " the owner and mode of the old file: " + calls.ErrorText(error));
        }
    }
    if (const int error = calls.Write(handle, text.data(), text.size())) {
        return Failure("cannot write " + scratch + ": " + calls.ErrorText(error));
    }
    if (const int error = calls.Sync(handle)) {
        return Failure("cannot flush " + scratch + " to the disk: " + calls.ErrorText(error));
    }
    return {true, {}};
}

std::string KeptNote(const std::string& target, const FileStatus& old) {
    return old.kind == FileStatus::Kind::Regular ? "; " + target + " is kept as it was" : "";
}

FileResult WriteAndReadBack(FileCalls& calls, FileHandle handle, const std::string& scratch,
                            const FileStatus& old, const std::string& text) {
    {
        const OpenFile file(calls, handle);
        const FileResult filled = FillScratch(calls, handle, scratch, old, text);
        if (!filled.ok) {
            return filled;
        }
    }
    std::string back;
    if (!ReadBytes(calls, scratch, back).ok || back != text) {
        return Failure(scratch + " reads back other than it was written");
    }
    return {true, {}};
}

FileResult ReplaceWith(FileCalls& calls, const std::string& target, const FileStatus& old,
                       const std::string& text) {
    FileHandle handle = -1;
    std::string created;
    if (const int error = calls.CreateUnique(ScratchPrefix(target), handle, created)) {
        return Failure("cannot create a file beside " + target + ": " + calls.ErrorText(error) +
                       KeptNote(target, old));
    }
    ScratchFile scratch(calls, created);
    FileResult result = WriteAndReadBack(calls, handle, created, old, text);
    if (const int error = result.ok ? calls.Rename(created, target) : 0) {
        result =
            Failure("cannot rename " + created + " to " + target + ": " + calls.ErrorText(error));
    }
    if (!result.ok) {
        return Failure(result.error + KeptNote(target, old));
    }
    scratch.Keep();
    if (const int error = calls.SyncFolder(FolderOf(target))) {
        return Failure(target + " is replaced, but its folder cannot be flushed to the disk: " +
                       calls.ErrorText(error));
    }
    return {true, {}};
}

}  // namespace

FileResult ReadWorkspaceFile(FileCalls& calls, const std::string& path, Workspace& workspace) {
    std::string bytes;
    const FileResult read = ReadBytes(calls, path, bytes);
    if (!read.ok) {
        return read;
    }
    ParsedWorkspace parsed = ParseWorkspace(bytes);
    if (!parsed.ok) {
        return Failure(path + " " + parsed.error);
    }
    workspace = std::move(parsed.workspace);
    return {true, {}};
}

FileResult WriteWorkspaceFile(FileCalls& calls, const std::string& path,
                              const Workspace& workspace) {
    const std::string text = FormatWorkspace(workspace);
    if (text.size() > kMaxWorkspaceFileBytes) {
        return Failure(TooLarge("the workspace as a file", text.size()) + ": " + path +
                       " is not written");
    }
    std::string target;
    FileStatus old;
    const FileResult resolved = ResolveLinks(calls, path, target, old);
    if (!resolved.ok) {
        return resolved;
    }
    if (old.kind == FileStatus::Kind::Other) {
        return Failure(target + " is not a regular file (a FIFO, a device or a folder)");
    }
    if (old.kind == FileStatus::Kind::Regular) {
        if (const int error = calls.MayWrite(target)) {
            return Failure("cannot write " + target + ": " + calls.ErrorText(error));
        }
    }
    return ReplaceWith(calls, target, old, text);
}

}  // namespace kovadex
