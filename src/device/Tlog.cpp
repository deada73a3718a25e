#include "device/Tlog.h"

#include <QDateTime>
#include <QListWidget>
#include <QLocale>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Messagebox.h"

namespace {
void Report(const char* label, const std::exception& e) {
    ShowMessage(std::string(label) + e.what());
}

// The date and time as the short date and the time of the user's locale.
std::string DateTimeToStr() {
    QDateTime now = QDateTime::currentDateTime();
    QLocale locale;
    QString text = locale.toString(now.date(), QLocale::ShortFormat) + " " +
                   now.time().toString("hh:mm:ss");
    return text.toStdString();
}
}  // namespace

TLog::TLog() { InitMe(); }

void TLog::InitMe() {
    ExternLogList = nullptr;
    ExternLogListBox = nullptr;
    MaxRowsInWindow = 500;
    MaxFileKiloBytes = 500;
    LogFileName.clear();
    Enabled = true;
    PlainMode = false;
    CacheMode = false;
    cache_.clear();
}

TLog::~TLog() {
    try {
        FetchCache();
    } catch (...) {
    }
}

void TLog::AddToLog(const std::string& text) {
    try {
        if (!Enabled)
            return;
        std::string line;
        if (PlainMode) {
            line = text;
        } else {
            std::string stamp = DateTimeToStr();
            // "%8s %s": the stamp right-aligned in at least 8 characters.
            if (stamp.size() < 8)
                line = std::string(8 - stamp.size(), ' ') + stamp;
            else
                line = stamp;
            line += ' ';
            line += text;
        }
        if (CacheMode) {
            cache_.push_back(line);
            return;
        }
        WriteToFile(line);
        WriteToWin(line);
    } catch (const std::exception& e) {
        Report("TLog::AddToLog: ", e);
    }
}

bool TLog::AppendLines(const std::vector<std::string>& lines) {
    int fd = ::open(LogFileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::string block;
    for (const std::string& l : lines) {
        block += l;
        block += "\r\n";
    }
    bool ok = ::lseek(fd, 0, SEEK_END) >= 0;
    size_t done = 0;
    while (ok && done < block.size()) {
        ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n <= 0)
            ok = false;
        else
            done += size_t(n);
    }
    off_t size = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    if (size >= 0)
        RotateIfLarge(size);
    return true;
}

void TLog::RotateIfLarge(long long size) {
    if (size > (long long)MaxFileKiloBytes * 1024) {
        std::string old = LogFileName + ".old";
        std::remove(old.c_str());
        std::rename(LogFileName.c_str(), old.c_str());
    }
}

void TLog::WriteToFile(const std::string& line) {
    try {
        if (LogFileName.empty())
            return;
        AppendLines({line});
    } catch (const std::exception& e) {
        Report("TLog::WriteToFile: ", e);
    }
}

void TLog::WriteToWin(const std::string& line) {
    try {
        const size_t maxRows = MaxRowsInWindow > 0 ? size_t(MaxRowsInWindow) : 0;
        if (ExternLogList) {
            ExternLogList->push_back(line);
            while (ExternLogList->size() > maxRows)
                ExternLogList->erase(ExternLogList->begin());
        }
        if (ExternLogListBox) {
            ExternLogListBox->addItem(QString::fromStdString(line));
            ExternLogListBox->setCurrentRow(ExternLogListBox->count() - 1);
            while (size_t(ExternLogListBox->count()) > maxRows)
                delete ExternLogListBox->takeItem(0);
        }
    } catch (const std::exception& e) {
        Report("TLog::WriteToWin: ", e);
    }
}

void TLog::FetchCache() {
    try {
        if (cache_.empty())
            return;
        if (!LogFileName.empty()) {
            if (!AppendLines(cache_))
                return;  // the file cannot be opened: keep the cache
        }
        for (const std::string& l : cache_)
            WriteToWin(l);
        cache_.clear();
    } catch (const std::exception& e) {
        Report("TLog::FetchCache ", e);
    }
}

void TLog::SetMaxRowsInWindow(int n) { MaxRowsInWindow = n; }

bool TLog::GetWinVisible() const { return false; }
