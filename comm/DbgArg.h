// One argument of a printf-style diagnostic format, captured by type instead
// of through C varargs: a wrong conversion prints the value as it is instead
// of reading garbage, and a missing argument prints nothing.
//
// Accepted: every integer type, bool, enums, characters (char, char16_t,
// char32_t, QChar), floating point, pointers, and strings as QString,
// QStringView, QByteArray (UTF-8), const char* (UTF-8), std::string,
// std::string_view, const char16_t*, std::u16string, std::u16string_view,
// const wchar_t*, std::wstring.
//
// A CDbgArg refers to the caller's string data (or keeps a converted copy);
// it lives only for the duration of one logging call.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

class CDbgArg {
public:
    enum EKind {
        KIND_SIGNED,
        KIND_UNSIGNED,
        KIND_CHAR,
        KIND_DOUBLE,
        KIND_POINTER,
        KIND_UTF8,
        KIND_UTF16,
        KIND_UTF32,
        KIND_NULL_STRING
    };

    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
             !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t> &&
             !std::is_same_v<T, wchar_t>) CDbgArg(T value)
    noexcept { // NOLINT: implicit by design
        if constexpr (std::is_signed_v<T>) {
            m_eKind = KIND_SIGNED;
            m_llValue = value;
        } else {
            m_eKind = KIND_UNSIGNED;
            m_ullValue = value;
        }
        m_nBits = static_cast<int>(sizeof(T) * 8);
    }
    template <typename T>
    requires std::is_enum_v<T> CDbgArg(T value)
    noexcept : CDbgArg(static_cast<std::underlying_type_t<T>>(value)) {}
    CDbgArg(bool b) noexcept : m_eKind(KIND_SIGNED), m_nBits(32), m_llValue(b ? 1 : 0) {}
    CDbgArg(char c) noexcept
        : m_eKind(KIND_CHAR), m_nBits(8), m_ullValue(static_cast<unsigned char>(c)) {}
    CDbgArg(char16_t c) noexcept : m_eKind(KIND_CHAR), m_nBits(16), m_ullValue(c) {}
    CDbgArg(char32_t c) noexcept : m_eKind(KIND_CHAR), m_nBits(32), m_ullValue(c) {}
    CDbgArg(wchar_t c) noexcept
        : m_eKind(KIND_CHAR), m_nBits(32), m_ullValue(static_cast<std::uint32_t>(c)) {}
    CDbgArg(QChar c) noexcept : m_eKind(KIND_CHAR), m_nBits(16), m_ullValue(c.unicode()) {}
    CDbgArg(double d) noexcept : m_eKind(KIND_DOUBLE), m_nBits(64), m_dValue(d) {}
    CDbgArg(float f) noexcept : CDbgArg(static_cast<double>(f)) {}
    CDbgArg(long double d) noexcept : CDbgArg(static_cast<double>(d)) {}

    CDbgArg(const char* psz) noexcept;
    CDbgArg(const char16_t* psz) noexcept;
    CDbgArg(const wchar_t* psz) noexcept;
    CDbgArg(const QString& str) noexcept;
    CDbgArg(QStringView str) noexcept;
    CDbgArg(const QByteArray& utf8) noexcept;
    CDbgArg(const std::string& str) noexcept : CDbgArg(std::string_view(str)) {}
    CDbgArg(std::string_view str) noexcept;
    CDbgArg(const std::u16string& str) noexcept : CDbgArg(std::u16string_view(str)) {}
    CDbgArg(std::u16string_view str) noexcept;
    CDbgArg(const std::wstring& str) noexcept;

    // Anything else that makes a QString (QLatin1String, string builders):
    // converted here and kept, since a converted temporary would be gone
    // before the line is formatted.
    template <typename T>
    requires(!std::is_pointer_v<T> && !std::is_array_v<T> && !std::is_arithmetic_v<T> &&
             !std::is_enum_v<T> && !std::is_same_v<T, QString> && !std::is_same_v<T, QStringView> &&
             !std::is_same_v<T, QByteArray> && !std::is_same_v<T, QChar> &&
             !std::is_same_v<T, std::string> && !std::is_same_v<T, std::string_view> &&
             !std::is_same_v<T, std::u16string> && !std::is_same_v<T, std::u16string_view> &&
             !std::is_same_v<T, std::wstring> && std::is_convertible_v<const T&, QString>)
        CDbgArg(const T& value)
        : m_eKind(KIND_UTF16), m_strOwned(value) {
        m_pUtf16 = QStringView(m_strOwned).utf16();
        m_nLength = static_cast<std::size_t>(m_strOwned.size());
    }

    // Built in place only: a copy would point into another's storage.
    CDbgArg(const CDbgArg&) = delete;
    CDbgArg& operator=(const CDbgArg&) = delete;

    CDbgArg(std::nullptr_t) noexcept : m_eKind(KIND_POINTER), m_nBits(64), m_ullValue(0) {}
    template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char> &&
             !std::is_same_v<std::remove_cv_t<T>, char16_t> &&
             !std::is_same_v<std::remove_cv_t<T>, wchar_t>) CDbgArg(T* p)
    noexcept
        : m_eKind(KIND_POINTER), m_nBits(64), m_ullValue(reinterpret_cast<std::uintptr_t>(p)) {}

    EKind Kind() const { return m_eKind; }
    // Width in bits of the integer or character the caller passed.
    int Bits() const { return m_nBits; }
    bool IsString() const {
        return m_eKind == KIND_UTF8 || m_eKind == KIND_UTF16 || m_eKind == KIND_UTF32 ||
               m_eKind == KIND_NULL_STRING;
    }
    // The value as a 64-bit pattern (integers, characters, pointers).
    std::uint64_t Bits64() const;
    double Double() const;
    const char* Utf8() const { return m_pUtf8; }
    const char16_t* Utf16() const { return m_pUtf16; }
    const char32_t* Utf32() const { return m_pUtf32; }
    std::size_t Length() const { return m_nLength; }

private:
    EKind m_eKind;
    int m_nBits = 0;
    union {
        std::int64_t m_llValue;
        std::uint64_t m_ullValue;
        double m_dValue;
        const char* m_pUtf8;
        const char16_t* m_pUtf16;
        const char32_t* m_pUtf32;
    };
    std::size_t m_nLength = 0;
    QString m_strOwned;
};
