#include "comm/DbgArg.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

static_assert(sizeof(wchar_t) == 4, "wide strings are taken as UTF-32");

CDbgArg::CDbgArg(const char* psz) noexcept : m_eKind(psz ? KIND_UTF8 : KIND_NULL_STRING) {
    m_pUtf8 = psz;
    m_nLength = psz ? std::strlen(psz) : 0;
}

CDbgArg::CDbgArg(const char16_t* psz) noexcept : m_eKind(psz ? KIND_UTF16 : KIND_NULL_STRING) {
    m_pUtf16 = psz;
    m_nLength = psz ? std::char_traits<char16_t>::length(psz) : 0;
}

CDbgArg::CDbgArg(const wchar_t* psz) noexcept : m_eKind(psz ? KIND_UTF32 : KIND_NULL_STRING) {
    m_pUtf32 = reinterpret_cast<const char32_t*>(psz);
    m_nLength = psz ? std::wcslen(psz) : 0;
}

CDbgArg::CDbgArg(const QString& str) noexcept : CDbgArg(QStringView(str)) {}

CDbgArg::CDbgArg(QStringView str) noexcept : m_eKind(KIND_UTF16) {
    m_pUtf16 = str.utf16();
    m_nLength = static_cast<std::size_t>(str.size());
}

CDbgArg::CDbgArg(const QByteArray& utf8) noexcept : m_eKind(KIND_UTF8) {
    m_pUtf8 = utf8.constData();
    m_nLength = static_cast<std::size_t>(utf8.size());
}

CDbgArg::CDbgArg(std::string_view str) noexcept : m_eKind(KIND_UTF8) {
    m_pUtf8 = str.data();
    m_nLength = str.size();
}

CDbgArg::CDbgArg(std::u16string_view str) noexcept : m_eKind(KIND_UTF16) {
    m_pUtf16 = str.data();
    m_nLength = str.size();
}

CDbgArg::CDbgArg(const std::wstring& str) noexcept : m_eKind(KIND_UTF32) {
    m_pUtf32 = reinterpret_cast<const char32_t*>(str.data());
    m_nLength = str.size();
}

std::uint64_t CDbgArg::Bits64() const {
    switch (m_eKind) {
    case KIND_SIGNED:
        return static_cast<std::uint64_t>(m_llValue);
    case KIND_UNSIGNED:
    case KIND_CHAR:
    case KIND_POINTER:
        return m_ullValue;
    case KIND_DOUBLE:
        // Out-of-range conversions are undefined; saturate instead.
        if (!(m_dValue == m_dValue))
            return 0;
        if (m_dValue >= 9.2233720368547758e18)
            return static_cast<std::uint64_t>(INT64_MAX);
        if (m_dValue <= -9.2233720368547758e18)
            return static_cast<std::uint64_t>(INT64_MIN);
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(m_dValue));
    default:
        return 0;
    }
}

double CDbgArg::Double() const {
    switch (m_eKind) {
    case KIND_DOUBLE:
        return m_dValue;
    case KIND_SIGNED:
        return static_cast<double>(m_llValue);
    case KIND_UNSIGNED:
    case KIND_CHAR:
    case KIND_POINTER:
        return static_cast<double>(m_ullValue);
    default:
        return 0.0;
    }
}
