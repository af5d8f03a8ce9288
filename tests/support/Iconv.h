#pragma once

// glibc's iconv as an independent account of Windows-1251 for the tests.

#include <QByteArray>
#include <QString>

#include <iconv.h>

#include <array>
#include <optional>

namespace zezu::test {

// One iconv conversion descriptor, closed on scope exit.
class Iconv
{
public:
    Iconv(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    {
    }
    ~Iconv()
    {
        if (isValid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool isValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted afresh; nullopt when iconv refuses any of it
    // or could only approximate it.
    std::optional<QByteArray> convert(QByteArray input)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray output(input.size() * 4 + 16, Qt::Uninitialized);
        char *in = input.data();
        std::size_t inLeft = std::size_t(input.size());
        char *out = output.data();
        std::size_t outLeft = std::size_t(output.size());
        const std::size_t done = iconv(m_cd, &in, &inLeft, &out, &outLeft);
        if (done != 0 || inLeft != 0
            || iconv(m_cd, nullptr, nullptr, &out, &outLeft) == std::size_t(-1))
            return std::nullopt;
        output.truncate(out - output.data());
        return output;
    }

private:
    iconv_t m_cd;
};

// What iconv reads a Windows-1251 byte as; nullopt for an unassigned byte.
inline std::optional<QString> iconvCharOf(int byte)
{
    static Iconv decoder("UTF-16LE", "WINDOWS-1251");
    const auto utf16 = decoder.convert(QByteArray(1, char(byte)));
    if (!utf16)
        return std::nullopt;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16->constData()),
                              utf16->size() / 2);
}

// The Windows-1251 byte iconv writes a UTF-16 unit as; nullopt when it has none.
inline std::optional<char> iconvByteOf(char16_t unit)
{
    static Iconv encoder("WINDOWS-1251", "UTF-16LE");
    const char raw[2] = {char(unit & 0xFF), char(unit >> 8)};
    const auto bytes = encoder.convert(QByteArray(raw, 2));
    if (!bytes || bytes->size() != 1)
        return std::nullopt;
    return bytes->at(0);
}

// Which BMP code units Windows-1251 holds, per iconv.
inline const std::array<bool, 65536> &windows1251Units()
{
    static const std::array<bool, 65536> table = [] {
        std::array<bool, 65536> t{};
        for (int unit = 0; unit < 65536; ++unit) {
            const auto u = char16_t(unit);
            t[std::size_t(unit)] = !QChar::isSurrogate(u) && iconvByteOf(u).has_value();
        }
        return t;
    }();
    return table;
}

// The characters iconv reads Windows-1251's assigned bytes as.
inline const QString &windows1251Characters()
{
    static const QString all = [] {
        QString chars;
        for (int byte = 0; byte < 256; ++byte) {
            if (const auto c = iconvCharOf(byte))
                chars += *c;
        }
        return chars;
    }();
    return all;
}

} // namespace zezu::test
