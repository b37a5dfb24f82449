// The output PDF: a temporary file renamed over the output when complete, or a straight write to
// a device; split-back's temporary file; every write checked.
#include "writer/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "writer/TempFileCleanup.h"

namespace {

// Standard output taken over for the PDF by claimStandardOutput: its own descriptor and the name
// that stands for it.
int gClaimedFd = -1;
std::string gClaimedName;

bool sameFileInfo(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool isStandardStream(const struct stat& info) {
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream;
        if (fstat(fd, &stream) == 0 && sameFileInfo(info, stream)) return true;
    }
    return false;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links, also dangling ones, to the name the output really has; "" with errno
// set after too many links.
std::string followLinks(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; hops++) {
        struct stat info;
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        char link[PATH_MAX];
        ssize_t length = readlink(target.c_str(), link, sizeof link - 1);
        if (length <= 0) return target;
        std::string next(link, static_cast<size_t>(length));
        std::string folder = folderOf(target);
        if (next[0] != '/' && !folder.empty()) next = (folder == "/" ? "" : folder) + "/" + next;
        target = next;
    }
    errno = ELOOP;
    return "";
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat infoA, infoB;
    if (stat(a.c_str(), &infoA) != 0 || stat(b.c_str(), &infoB) != 0) return false;
    return sameFileInfo(infoA, infoB);
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::fail(int code) {
    failureReason_ = std::strerror(code);
    discard();
    return false;
}

bool OutputFile::create(const std::string& path) {
    discard();
    path_ = path;
    position_ = 0;
    failureReason_.clear();
    if (gClaimedFd >= 0 && path == gClaimedName) {
        int fd = dup(gClaimedFd);
        file_ = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (!file_) {
            if (fd >= 0) close(fd);
            return fail(errno);
        }
        kind_ = Kind::straight;
        return true;
    }
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return fail(EISDIR);
        if (!S_ISREG(info.st_mode) || isStandardStream(info)) return openStraight(path);
        // An existing output is only replaced when it could be written over.
        if (access(path.c_str(), W_OK) != 0) return fail(errno);
    }
    target_ = followLinks(path);
    if (target_.empty()) return fail(errno);
    if (!openTemporaryIn(folderOf(target_))) return fail(errno);
    kind_ = Kind::replacing;
    return true;
}

bool OutputFile::createTemporary(const std::string& besidePath) {
    discard();
    position_ = 0;
    failureReason_.clear();
    std::vector<std::string> folders = {folderOf(besidePath)};
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir && *tmpdir) folders.push_back(tmpdir);
    folders.push_back("/tmp");
    int code = ENOENT;
    for (const std::string& folder : folders) {
        if (openTemporaryIn(folder)) {
            path_ = tempName_;
            kind_ = Kind::temporary;
            return true;
        }
        code = errno;
    }
    return fail(code);
}

bool OutputFile::openStraight(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return fail(errno);
    kind_ = Kind::straight;
    return true;
}

bool OutputFile::openTemporaryIn(const std::string& folder) {
    static unsigned counter = 0;
    std::string prefix = folder.empty() ? "" : folder == "/" ? "/" : folder + "/";
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name =
            prefix + formatText(".tessel-%ld-%u.tmp", static_cast<long>(getpid()), counter++);
        // Created and registered with the signals held back, so that an interruption never
        // leaves the file without its registration.
        CleanupSignalsBlocked blocked;
        // Mode 0666 less the umask: the permissions any newly written output gets.
        int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        int slot = registerTempFile(name);
        FILE* file = slot >= 0 ? fdopen(fd, "wb") : nullptr;
        if (!file) {
            int code = slot >= 0 ? errno : ENAMETOOLONG;
            unregisterTempFile(slot);
            close(fd);
            unlink(name.c_str());
            errno = code;
            return false;
        }
        file_ = file;
        tempName_ = name;
        cleanupSlot_ = slot;
        return true;
    }
    errno = EEXIST;
    return false;
}

void OutputFile::write(const void* data, size_t length) {
    if (!file_) throw CPdfException("\nOutput file write error: the output is not open\n");
    if (length == 0) return;
    if (std::fwrite(data, 1, length, file_) != length) {
        throw CPdfException(formatText("\nOutput file write error: '%s' (%s)\n", path_.c_str(),
                                       std::strerror(errno)));
    }
    position_ += static_cast<int64_t>(length);
}

void OutputFile::finish() {
    if (!file_) return;
    bool done = std::fflush(file_) == 0;
    int code = errno;
    if (kind_ != Kind::temporary) {
        // The data reaches the disk before the new file takes the old one's name.
        if (done && kind_ == Kind::replacing && fsync(fileno(file_)) != 0) {
            done = false;
            code = errno;
        }
        FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0 && done) {
            done = false;
            code = errno;
        }
        if (done && kind_ == Kind::replacing) {
            CleanupSignalsBlocked blocked;
            if (std::rename(tempName_.c_str(), target_.c_str()) == 0) {
                unregisterTempFile(cleanupSlot_);
                cleanupSlot_ = -1;
                tempName_.clear();
            } else {
                done = false;
                code = errno;
            }
        }
    }
    if (!done) {
        discard();
        throw CPdfException(formatText("\nOutput file write error: '%s' (%s)\n", path_.c_str(),
                                       std::strerror(code)));
    }
    if (kind_ != Kind::temporary) kind_ = Kind::closed;
}

void OutputFile::removeTemporary() {
    if (tempName_.empty()) return;
    CleanupSignalsBlocked blocked;
    unlink(tempName_.c_str());
    unregisterTempFile(cleanupSlot_);
    cleanupSlot_ = -1;
    tempName_.clear();
}

void OutputFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    removeTemporary();
    kind_ = Kind::closed;
}

bool OutputFile::claimStandardOutput(const std::string& path) {
    struct stat named, standard;
    if (stat(path.c_str(), &named) != 0 || fstat(STDOUT_FILENO, &standard) != 0) return false;
    if (!sameFileInfo(named, standard)) return false;
    std::fflush(stdout);
    int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (fd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        if (fd >= 0) close(fd);
        return false;
    }
    gClaimedFd = fd;
    gClaimedName = path;
    return true;
}
