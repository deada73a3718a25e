#pragma once
// Another program on the data folder: a child process that holds the folder's
// lock file shared, as a running program does, until it is let go or killed
// (a crash). The child only opens the file, locks it and waits. One at a
// time: a child inherits the release pipe of another that lives.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class OtherProgram {
public:
    // alone: holds the file alone, as a program cleaning up does.
    explicit OtherProgram(const std::string& lockPath, bool alone = false) {
        int ready[2], release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return;
        if (::pipe2(release, O_CLOEXEC) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only the parent may hold the release pipe open, or the child
            // never sees its end.
            ::close(ready[0]);
            ::close(release[1]);
            char answer = '0';
            const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            struct flock lock {};
            lock.l_type = alone ? F_WRLCK : F_RDLCK;
            lock.l_whence = SEEK_SET;
            if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) answer = '1';
            [[maybe_unused]] ssize_t n = ::write(ready[1], &answer, 1);
            pollfd released{release[0], POLLIN, 0};
            ::poll(&released, 1, -1);  // until the parent lets go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char answer = '0';
        pollfd ready0{ready[0], POLLIN, 0};
        if (pid_ > 0 && ::poll(&ready0, 1, 10000) == 1 && ::read(ready[0], &answer, 1) == 1)
            holding_ = answer == '1';
        ::close(ready[0]);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    ~OtherProgram() { End(false); }

    // Whether the child got its shared hold.
    bool Holding() const { return holding_; }
    // The program ends normally, or is killed.
    void End(bool crash) {
        if (pid_ > 0) {
            if (crash) ::kill(pid_, SIGKILL);
            ::close(release_);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        } else if (release_ >= 0) {
            ::close(release_);
        }
        pid_ = -1;
        release_ = -1;
        holding_ = false;
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool holding_ = false;
};
