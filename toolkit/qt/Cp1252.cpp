#include "toolkit/qt/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QList>

#include "platform/Zeichensatz.h"


QString FromCp1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        text.append(QChar(static_cast<char16_t>(Cp1252Zeichen(b))));
    }
    return text;
}

std::string ToCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t c : text.toUcs4()) {
        int b = c == 0 ? -1 : Cp1252Byte(c);
        bytes.push_back(b < 0 ? ' ' : static_cast<char>(b));
    }
    return bytes;
}

QString FromFileName(std::string_view name) {
    QByteArray bytes(name.data(), static_cast<qsizetype>(name.size()));
#ifdef _WIN32
    return QString::fromUtf8(bytes);
#else
    return QFile::decodeName(bytes);
#endif
}

std::string ToFileName(const QString& name) {
#ifdef _WIN32
    QByteArray bytes = QDir::toNativeSeparators(name).toUtf8();
#else
    QByteArray bytes = QFile::encodeName(name);
#endif
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
