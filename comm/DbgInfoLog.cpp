#include "comm/DbgInfoLog.h"

#include "comm/DbgFormat.h"
#include "comm/DbgTrace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char START_FORMAT[] =
    "\n\n-------------------------Start(%s) At %s---------------------\n\n";
constexpr char FINISH_FORMAT[] =
    "\n\n-------------------------Finish(%s) At %s---------------------\n\n";
constexpr char SWITCH_FORMAT[] =
    "\n\n-------------------------Switch Log File To(%s) At %s---------------------\n\n";
constexpr char CONTINUE_FORMAT[] =
    "\n\n-------------------------Continue Log File(%s>) At %s---------------------\n\n";

// A file suffix longer than this is cut, so the message keeps most of the
// line.
constexpr int LOCATION_MAX_UNITS = 200;

// Everything below has constant initialisation: lines logged by other
// objects' static constructors or destructors find either the live log or a
// plain "not live" and are dropped.
constinit std::atomic<bool> s_bLive{false};
constinit std::atomic<bool> s_bTraceSwitch{true};
constinit DBG_LOG_OBSERVER* s_pObserver = nullptr;
constinit char16_t s_szLine[DBG_LINE_UNITS] = {};

QString& ExecutableNameCache() {
    static QString* pName = new QString(CDbgInfoLog::ExecutableName());
    return *pName;
}

QByteArray Native(const QString& strPath) {
    return QFile::encodeName(strPath);
}

QString FinishedName(int nIndex) {
    return QStringLiteral("%1_%2.log").arg(QLatin1String(DBG_LOG_NAME)).arg(nIndex);
}

QString CurrentName(int nIndex) {
    return QStringLiteral("%1_%2_ing.log").arg(QLatin1String(DBG_LOG_NAME)).arg(nIndex);
}

// "_QZ_SOFT_3_ing.log" -> "_QZ_SOFT_3.log"
QString WithoutIng(QString strName) {
    strName.replace(QLatin1String("_ing.log"), QLatin1String(".log"));
    return strName;
}

void Append(char16_t* pBuffer, std::size_t& nLength, std::size_t nCapacity, QStringView str) {
    for (QChar c : str) {
        if (nLength >= nCapacity)
            return;
        pBuffer[nLength++] = c.unicode();
    }
}

void AppendAscii(char16_t* pBuffer, std::size_t& nLength, std::size_t nCapacity, const char* psz) {
    for (; *psz && nLength < nCapacity; ++psz)
        pBuffer[nLength++] = static_cast<unsigned char>(*psz);
}

} // namespace

// The location suffix and the log itself live in this file, in this order,
// so that the suffix is built before the log opens and destroyed after it
// closes.
CCritSecLock g_DbgLock;
QString g_strDbgLocation;
CDbgInfoLog g_DbgLog;

CDbgInfoLog::CDbgInfoLog() {
    Start(DefaultDir());
    if (this == &g_DbgLog) {
        ExecutableNameCache();
        s_bLive = true;
    }
}

CDbgInfoLog::CDbgInfoLog(const QString& strDir) {
    Start(strDir);
}

CDbgInfoLog::~CDbgInfoLog() {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    if (this == &g_DbgLog)
        s_bLive = false;
    Close();
}

void CDbgInfoLog::Start(const QString& strDir) {
    m_strDir = strDir;
    if (!m_strDir.endsWith(u'/'))
        m_strDir += u'/';
    // A folder that cannot be created shows up as the open failure below.
    QDir().mkpath(m_strDir);
    m_nIndex = 0;
    m_llWritten = 0;
    const QString strName = FirstFileName();
    if (!OpenLogFile(m_strDir + strName)) {
        DbgTrace("ERR: 打开日志文件(%s)失败\n", m_strDir + strName);
        return;
    }
    if (!WriteStartMark())
        DbgTrace("ERR: 写入日志文件(%s)头信息失败\n", m_strDir);
}

void CDbgInfoLog::Close() {
    if (!WriteFinishMark())
        DbgTrace("ERR: 写日志文件(%s)失败\n", FileName());
    CloseFile();
}

bool CDbgInfoLog::Reopen(const QString& strDir) {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    if (IsOpen())
        Close();
    Start(strDir);
    return IsOpen();
}

QString CDbgInfoLog::FirstFileName() {
    int n = 0;
    while (n < DBG_LOG_FILES && FileExists(m_strDir + FinishedName(n)))
        ++n;
    if (n == DBG_LOG_FILES) {
        n = 0;
        ::unlink(Native(m_strDir + FinishedName(n)).constData());
    }
    m_nIndex = n;
    return CurrentName(n);
}

QString CDbgInfoLog::NextFileName() {
    m_nIndex = m_nIndex >= DBG_LOG_FILES - 1 ? 0 : m_nIndex + 1;
    const QString strFinished = FinishedName(m_nIndex);
    if (FileExists(m_strDir + strFinished))
        ::unlink(Native(m_strDir + strFinished).constData());
    return CurrentName(m_nIndex);
}

bool CDbgInfoLog::OpenLogFile(const QString& strPath) {
    m_llWritten = 0;
    CloseFile();
    m_strFilePath = strPath;
    const QByteArray path = Native(strPath);
    int nFile = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (nFile < 0)
        nFile = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    struct stat st = {};
    if (nFile >= 0 && (::fstat(nFile, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(nFile);
        nFile = -1;
    }
    if (nFile < 0) {
        DbgTrace("[Kelto_AK]: 打开记录文件(%s)失败!\n", FileName());
        return false;
    }
    m_nFile = nFile;
    // An empty file is new (or was left empty by a crash): it gets the
    // byte-order mark, a file with content is continued as it is.
    if (st.st_size == 0) {
        static const unsigned char BOM[2] = {0xFF, 0xFE};
        if (!WriteBytes(BOM, 2)) {
            DbgTrace("[Kelto_AK]: 打开记录文件(%s)失败!\n", FileName());
            CloseFile();
            return false;
        }
        st.st_size = 2;
    }
    m_llWritten = st.st_size;
    return true;
}

void CDbgInfoLog::WriteLine(const char16_t* pText, qint64 llBytes) {
    if (!IsOpen()) {
        DbgTrace("[Kelto_AK]: 写记录文件(%s)失败!\n", FileName());
        return;
    }
    if (m_llWritten >= DBG_SWITCH_SIZE && !SwitchLogFile()) {
        DbgTrace("ERR: Switch Log File Failed \n");
        return;
    }
    if (!WriteBytes(pText, llBytes)) {
        DbgTrace("[Kelto_AK]: 写记录文件(%s)失败!\n", FileName());
        return;
    }
    m_llWritten += llBytes;
}

bool CDbgInfoLog::SwitchLogFile() {
    const QString strPrevious = FileName();
    const QString strNew = NextFileName();
    WriteMark(SWITCH_FORMAT, WithoutIng(strNew), false);
    const QString strOldPath = m_strFilePath;
    const QString strFinishedPath = strOldPath.left(strOldPath.size() - 8) + QLatin1String(".log");
    CloseFile();
    if (::rename(Native(strOldPath).constData(), Native(strFinishedPath).constData()) != 0)
        DbgTrace("ERR: 日志文件(%s)改名失败\n", strOldPath);
    if (!OpenLogFile(m_strDir + strNew)) {
        DbgTrace("ERR: ((((((((((((()))))))))))))) \n");
        return false;
    }
    if (!WriteContinueMark(WithoutIng(strPrevious))) {
        DbgTrace("ERR: 写日志文件(%s)ContinueMakr失败\n", strNew);
        return false;
    }
    return true;
}

bool CDbgInfoLog::WriteStartMark() {
    return WriteMark(START_FORMAT, QLatin1String(DBG_LOG_NAME), true);
}

bool CDbgInfoLog::WriteFinishMark() {
    if (!IsOpen())
        return false;
    if (!WriteMark(FINISH_FORMAT, QLatin1String(DBG_LOG_NAME), true)) {
        DbgTrace("[Kelto_AK]: 写入日志文件(%s)尾失败!\n", FileName());
        return false;
    }
    return true;
}

bool CDbgInfoLog::WriteContinueMark(const QString& strPrevName) {
    if (!IsOpen())
        return false;
    if (!WriteMark(CONTINUE_FORMAT, strPrevName, true)) {
        DbgTrace("[Kelto_AK]: 写入日志文件(%s)ContinueMark失败!\n", FileName());
        return false;
    }
    return true;
}

bool CDbgInfoLog::WriteMark(const char* pszFormat, const QString& strName, bool bCount) {
    if (!IsOpen())
        return false;
    char16_t szMark[DBG_LINE_UNITS];
    const QString strTime = TimeString();
    const CDbgArg args[] = {CDbgArg(strName), CDbgArg(strTime)};
    const DBG_FORMAT_RESULT r = DbgFormat(szMark, DBG_LINE_UNITS, pszFormat, args, 2);
    const qint64 llBytes = static_cast<qint64>(r.nLength) * 2;
    if (!WriteBytes(szMark, llBytes))
        return false;
    if (bCount)
        m_llWritten += llBytes;
    return true;
}

bool CDbgInfoLog::WriteBytes(const void* pData, qint64 llBytes) {
    if (m_nFile < 0)
        return false;
    const char* p = static_cast<const char*>(pData);
    std::vector<char> swapped;
    if constexpr (std::endian::native == std::endian::big) {
        // The files are little-endian whatever the machine.
        swapped.assign(p, p + llBytes);
        for (qint64 i = 0; i + 1 < llBytes; i += 2)
            std::swap(swapped[i], swapped[i + 1]);
        p = swapped.data();
    }
    while (llBytes > 0) {
        const ssize_t n = ::write(m_nFile, p, static_cast<std::size_t>(llBytes));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        llBytes -= n;
    }
    return true;
}

void CDbgInfoLog::CloseFile() {
    if (m_nFile >= 0)
        ::close(m_nFile);
    m_nFile = -1;
}

QString CDbgInfoLog::FileName() const {
    const qsizetype nSlash = m_strFilePath.lastIndexOf(u'/');
    return m_strFilePath.mid(nSlash + 1);
}

QString CDbgInfoLog::FilePath() const {
    return m_strFilePath;
}

QString CDbgInfoLog::ExecutableDir() {
    char szPath[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", szPath, PATH_MAX);
    if (n <= 0)
        return QStringLiteral("./");
    QString strPath = QFile::decodeName(QByteArray(szPath, n));
    return strPath.left(strPath.lastIndexOf(u'/') + 1);
}

QString CDbgInfoLog::ExecutableName() {
    char szPath[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", szPath, PATH_MAX);
    if (n <= 0)
        return QString();
    return QFileInfo(QFile::decodeName(QByteArray(szPath, n))).completeBaseName();
}

QString CDbgInfoLog::DefaultDir() {
    return ExecutableDir() + QLatin1String("log/");
}

QString CDbgInfoLog::TimeString() {
    const std::time_t now = std::time(nullptr);
    std::tm tmNow = {};
    ::localtime_r(&now, &tmNow);
    char szTime[32];
    const std::size_t n = std::strftime(szTime, sizeof szTime, "%m/%d/%y %H:%M:%S", &tmNow);
    return QString::fromLatin1(szTime, static_cast<qsizetype>(n));
}

bool CDbgInfoLog::FileExists(const QString& strPath) {
    return ::access(Native(strPath).constData(), F_OK) == 0;
}

void SetDbgTraceSwitch(bool bOn) {
    s_bTraceSwitch = bOn;
}

bool DbgTraceSwitch() {
    return s_bTraceSwitch;
}

DBG_LOG_OBSERVER SetDbgLogObserver(DBG_LOG_OBSERVER observer) {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    DBG_LOG_OBSERVER previous;
    if (s_pObserver) {
        previous = std::move(*s_pObserver);
        delete s_pObserver;
        s_pObserver = nullptr;
    }
    if (observer)
        s_pObserver = new DBG_LOG_OBSERVER(std::move(observer));
    return previous;
}

void DbgSetLocation(const char* pszFile, int nLine) {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    if (!s_bLive)
        return;
    const char* pszName = pszFile ? pszFile : "";
    for (const char* p = pszName; *p; ++p)
        if (*p == '/' || *p == '\\')
            pszName = p + 1;
    // Reuses the string's storage: no allocation once it has grown.
    g_strDbgLocation.resize(0);
    g_strDbgLocation += QLatin1String("--");
    QString strName = QString::fromUtf8(pszName);
    if (strName.size() > LOCATION_MAX_UNITS - 16)
        strName.truncate(LOCATION_MAX_UNITS - 16);
    g_strDbgLocation += strName;
    g_strDbgLocation += u'(';
    g_strDbgLocation += QString::number(nLine);
    g_strDbgLocation += QLatin1String(")\n");
}

void DbgLogV(std::uint32_t nLevel, const char* pszFormat, const CDbgArg* pArgs, std::size_t nArgs) {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    if (!s_bLive || !s_bTraceSwitch || nLevel < DBG_MIN_LEVEL)
        return;

    char16_t* const pLine = s_szLine;
    std::size_t nLength = 0;
    const std::size_t nLocation =
        static_cast<std::size_t>(std::min<qsizetype>(g_strDbgLocation.size(), LOCATION_MAX_UNITS));
    // Room for the suffix is kept back, so the message is what gets shortened.
    const std::size_t nRoom = DBG_LINE_UNITS - nLocation;

    AppendAscii(pLine, nLength, nRoom, "[");
    Append(pLine, nLength, nRoom, ExecutableNameCache());
    char szIds[64];
    std::snprintf(szIds, sizeof szIds, "][%d][%d][", static_cast<int>(::getpid()),
                  static_cast<int>(::gettid()));
    AppendAscii(pLine, nLength, nRoom, szIds);
    Append(pLine, nLength, nRoom, CDbgInfoLog::TimeString());
    AppendAscii(pLine, nLength, nRoom, "]: ");

    const std::size_t nMessageStart = nLength;
    const DBG_FORMAT_RESULT r =
        DbgFormat(pLine + nLength, nRoom - nLength, pszFormat, pArgs, nArgs);
    nLength += r.nLength;
    if (r.bTruncated && nLength >= nMessageStart + 3) {
        // Marks the cut; a pair split by the mark loses its first half too.
        std::size_t nCut = nLength - 3;
        if (nCut > nMessageStart && pLine[nCut - 1] >= 0xD800 && pLine[nCut - 1] <= 0xDBFF)
            --nCut;
        nLength = nCut;
        AppendAscii(pLine, nLength, nRoom, "...");
    }
    const QString strMessage = s_pObserver
                                   ? QString(reinterpret_cast<const QChar*>(pLine + nMessageStart),
                                             static_cast<qsizetype>(nLength - nMessageStart))
                                   : QString();

    if (nLength > 0 && pLine[nLength - 1] == u'\n')
        pLine[nLength - 1] = u' ';
    while (nLength < static_cast<std::size_t>(DBG_PAD_COLUMN) && nLength < nRoom)
        pLine[nLength++] = u' ';
    Append(pLine, nLength, DBG_LINE_UNITS,
           QStringView(g_strDbgLocation).left(static_cast<qsizetype>(nLocation)));

    g_DbgLog.WriteLine(pLine, static_cast<qint64>(nLength) * 2);
    if (DbgTraceWanted())
        DbgTraceText(
            QString(reinterpret_cast<const QChar*>(pLine), static_cast<qsizetype>(nLength)));
    if (s_pObserver)
        (*s_pObserver)(nLevel, strMessage);
}
