// The diagnostic log of the main program.
//
// Usage, from anywhere in the program:
//
//   #include "comm/DbgInfoLog.h"
//   DBG_LOG(8, "Load xml failed");
//   DBG_LOG(15, "Remove pMission<%s>", strTargetName);          // QString
//   DBG_LOG(8, "mode<%d> size<%I64d> flags<%x>", nMode, llSize, uFlags);
//
// Levels: 4 information (not written), 8 errors, 15 always written. Lines
// below DBG_MIN_LEVEL are dropped. The format is printf-style (see
// comm/DbgFormat.h for the conversions); arguments are captured by type, so
// %s takes QString, const char* (UTF-8), const char16_t*, std::u16string...
// and %d %u %x %I64d %I64x %C take integers. A message too long for the line
// is shortened and ends in "...".
//
// Each written line: "[exe][pid][tid][MM/DD/YY hh:mm:ss]: message", padded
// with blanks to 92 characters, then "--file(line)" and a line feed. Files:
// UTF-16LE with FF FE in the folder "log/" beside the executable, named
// _QZ_SOFT_<n>_ing.log while current and _QZ_SOFT_<n>.log when finished;
// the log moves to the next of ten files at 50 MiB. Lines are also copied
// to the trace output (comm/DbgTrace.h).
//
// Test seams (for tests of any area):
//   - SetDbgLogObserver(fn): fn(level, message) is called for every line at
//     or above the threshold, with the formatted message (before padding and
//     suffix), whether or not a file is open. CDbgLogCapture
//     (comm/DbgLogCapture.h) wraps it for tests.
//   - g_DbgLog.Reopen(dir): finish the current file and continue the log in
//     another folder (a test's temporary folder); g_DbgLog.FilePath() names
//     the file being written. Reopen(CDbgInfoLog::DefaultDir()) goes back.
//   - A CDbgInfoLog constructed with a folder is a log of its own there.
#pragma once

#include "comm/CritSecLock.h"
#include "comm/DbgArg.h"

#include <QString>
#include <cstdint>
#include <functional>

inline constexpr std::uint32_t DBG_MIN_LEVEL = 8;
// The current file is finished once it holds this many bytes (50 MiB).
inline constexpr qint64 DBG_SWITCH_SIZE = 52428800;
inline constexpr int DBG_LOG_FILES = 10;
// Units of the line buffer, and the column up to which messages are padded.
inline constexpr int DBG_LINE_UNITS = 1024;
inline constexpr int DBG_PAD_COLUMN = 92;
inline constexpr char DBG_LOG_NAME[] = "_QZ_SOFT";

class CDbgInfoLog {
public:
    // The program's log: "log/" beside the executable.
    CDbgInfoLog();
    // A log in the given folder (created when missing).
    explicit CDbgInfoLog(const QString& strDir);
    virtual ~CDbgInfoLog();
    CDbgInfoLog(const CDbgInfoLog&) = delete;
    CDbgInfoLog& operator=(const CDbgInfoLog&) = delete;

    // Chooses the current file at start-up and sets m_nIndex: the first index
    // whose finished file is absent (index 0 again when all ten exist, its
    // finished file deleted). Returns the "_ing" name.
    QString FirstFileName();
    // Opens for appending, or creates with the byte-order mark.
    bool OpenLogFile(const QString& strPath);
    // Appends one finished line of UTF-16 text (nBytes = units x 2),
    // switching files first when the current one is full.
    void WriteLine(const char16_t* pText, qint64 llBytes);
    // Finishes the current file and continues in the next.
    bool SwitchLogFile();
    // Advances m_nIndex (9 wraps to 0), deletes that finished file if
    // present, and returns the "_ing" name.
    QString NextFileName();
    bool WriteStartMark();
    bool WriteFinishMark();
    bool WriteContinueMark(const QString& strPrevName);

    // Finishes the current file (Finish line, closed, not renamed) and
    // continues the log in strDir as at start-up. False when the new file
    // cannot be opened; the log is then closed.
    bool Reopen(const QString& strDir);
    // Finishes and closes the current file; later lines are lost.
    void Close();

    bool IsOpen() const { return m_nFile >= 0; }
    int Index() const { return m_nIndex; }
    qint64 Written() const { return m_llWritten; }
    QString Dir() const { return m_strDir; }
    // Name and full path of the file being written (empty when closed).
    QString FileName() const;
    QString FilePath() const;

    // The executable's folder (from /proc/self/exe), ending in "/".
    static QString ExecutableDir();
    // The executable's file name without its extension.
    static QString ExecutableName();
    // ExecutableDir() + "log/".
    static QString DefaultDir();
    // "MM/DD/YY hh:mm:ss", local time.
    static QString TimeString();
    static bool FileExists(const QString& strPath);

private:
    void Start(const QString& strDir);
    bool WriteMark(const char* pszFormat, const QString& strName, bool bCount);
    bool WriteBytes(const void* pData, qint64 llBytes);
    void CloseFile();

    int m_nIndex = 0;
    qint64 m_llWritten = 0;
    QString m_strDir;
    int m_nFile = -1;      // descriptor of the current file, -1 when closed
    QString m_strFilePath; // full path of the current file
};

extern CDbgInfoLog g_DbgLog;
extern CCritSecLock g_DbgLock;
// Location suffix of the line being logged: "--file(line)\n".
extern QString g_strDbgLocation;

// The process-wide trace switch: on unless turned off; while off nothing is
// logged.
void SetDbgTraceSwitch(bool bOn);
bool DbgTraceSwitch();

using DBG_LOG_OBSERVER = std::function<void(std::uint32_t nLevel, const QString& strMessage)>;
// Installs an observer of logged lines and returns the previous one (empty
// when there was none); an empty function removes it.
DBG_LOG_OBSERVER SetDbgLogObserver(DBG_LOG_OBSERVER observer);

// Sets g_strDbgLocation from a source path and line (folder cut off).
void DbgSetLocation(const char* pszFile, int nLine);
// Formats, filters and writes one line with the current location suffix.
void DbgLogV(std::uint32_t nLevel, const char* pszFormat, const CDbgArg* pArgs, std::size_t nArgs);

template <typename... Args>
void DbgLog(std::uint32_t nLevel, const char* pszFormat, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        DbgLogV(nLevel, pszFormat, nullptr, 0);
    } else {
        const CDbgArg argv[] = {CDbgArg(args)...};
        DbgLogV(nLevel, pszFormat, argv, sizeof...(Args));
    }
}

template <typename... Args>
void DbgLogAt(const char* pszFile, int nLine, std::uint32_t nLevel, const char* pszFormat,
              const Args&... args) {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    DbgSetLocation(pszFile, nLine);
    DbgLog(nLevel, pszFormat, args...);
}

#define DBG_LOG(level, ...)                                                                        \
    ::DbgLogAt(__FILE__, __LINE__, static_cast<std::uint32_t>(level), __VA_ARGS__)
