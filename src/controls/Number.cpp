#include "controls/Number.h"

#include <QByteArrayView>
#include <QLocale>
#include <QVarLengthArray>

namespace controls {

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> readNumber(QStringView text)
{
    // The range notes read every limit of a lab on each switch: one pass,
    // no allocation for any sensible length, and Qt's C-locale parser on
    // the checked ASCII copy.
    text = text.trimmed();
    QVarLengthArray<char, 32> ascii;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto at = [&](qsizetype k) { return k < n ? text[k].unicode() : u'\0'; };
    auto takeSign = [&] {
        if (at(i) == u'-')
            ascii.append('-');
        if (at(i) == u'+' || at(i) == u'-')
            ++i;
    };
    auto takeDigits = [&] {
        int digits = 0;
        for (; isDigit(at(i)); ++i, ++digits)
            ascii.append(char(text[i].unicode()));
        return digits;
    };

    takeSign();
    int digits = takeDigits();
    if (at(i) == u'.' || at(i) == u',') {
        ascii.append('.');
        ++i;
        digits += takeDigits();
    }
    if (digits == 0)
        return std::nullopt;
    if (at(i) == u'e' || at(i) == u'E') {
        ascii.append('e');
        ++i;
        takeSign();
        if (takeDigits() == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = QByteArrayView(ascii.constData(), ascii.size()).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString numberText(const QVariant &value)
{
    if (value.isNull())
        return {}; // an empty cell, not a 0 nobody typed
    if (value.typeId() != QMetaType::Double)
        return value.toString();
    QString text = QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (QLocale().decimalPoint() == QLatin1String(","))
        text.replace(u'.', u',');
    return text;
}

} // namespace controls
