// Text as the window shows it: names are bytes, one character per byte (Latin-1), never decoded
// as UTF-8; entry numbers have three digits.
#pragma once

#include <QString>

#include <string>

inline QString toQ(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string fromQ(const QString& text)
{
    return text.toLatin1().toStdString();
}

// 007, 042, 249.
inline QString threeDigits(int n)
{
    return QString("%1").arg(n, 3, 10, QChar('0'));
}
