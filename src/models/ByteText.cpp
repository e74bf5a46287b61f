#include "models/ByteText.h"

#include <QByteArray>
#include <QStringDecoder>

QString TextFromBytes(std::string_view bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), size));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), size);
}

std::string BytesFromText(const QString& text)
{
    return text.toStdString();
}
