#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Time of day as readings and the clock boxes show it: 24-hour, two digits each.
inline QString timeOfDayText(const QDateTime& t)
{
    return t.time().toString(u"HH:mm:ss");
}

// Today's date in the user's short date format.
inline QString shortDateText(const QDateTime& t)
{
    return QLocale::system().toString(t.date(), QLocale::ShortFormat);
}
