#pragma once
#include <string>
#include <vector>

class QListWidget;

// Protocol log: time-stamped lines for a log file and attached lists. In the
// program nothing attaches a file or a list, so lines are formatted and dropped.
class TLog {
public:
    TLog();
    ~TLog();
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    void AddToLog(const std::string& text);
    void WriteToFile(const std::string& line);
    void WriteToWin(const std::string& line);
    void FetchCache();
    void SetMaxRowsInWindow(int n);
    // Whether a log window is attached and visible; there is no log window.
    bool GetWinVisible() const;

    // Attached lists (not owned); each keeps at most MaxRowsInWindow rows.
    std::vector<std::string>* ExternLogList = nullptr;
    QListWidget* ExternLogListBox = nullptr;
    int MaxRowsInWindow = 500;
    int MaxFileKiloBytes = 500;
    std::string LogFileName;
    bool Enabled = true;
    bool PlainMode = false;
    bool CacheMode = false;

    const std::vector<std::string>& Cache() const { return cache_; }

private:
    void InitMe();
    bool AppendLines(const std::vector<std::string>& lines);
    void RotateIfLarge(long long size);

    std::vector<std::string> cache_;
};
