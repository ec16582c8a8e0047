#include "ui/ControlNames.h"

using namespace Qt::StringLiterals;

bool isControlArray(Control control)
{
    return control == Control::Label2 || control == Control::Label3 || control == Control::Text1;
}

QString objectNameOf(ControlRef ref)
{
    QString name;
    switch (ref.control) {
    case Control::Label1:
        name = u"Label1"_s;
        break;
    case Control::Label2:
        name = u"Label2"_s;
        break;
    case Control::Label3:
        name = u"Label3"_s;
        break;
    case Control::Label4:
        name = u"Label4"_s;
        break;
    case Control::Label5:
        name = u"Label5"_s;
        break;
    case Control::Label6:
        name = u"Label6"_s;
        break;
    case Control::Label7:
        name = u"Label7"_s;
        break;
    case Control::Label8:
        name = u"Label8"_s;
        break;
    case Control::Text1:
        name = u"Text1"_s;
        break;
    case Control::Text2:
        name = u"Text2"_s;
        break;
    case Control::TxYMD:
        name = u"TxYMD"_s;
        break;
    case Control::TxHMS:
        name = u"TxHMS"_s;
        break;
    case Control::TxStartTime:
        name = u"TxStartTime"_s;
        break;
    case Control::TxElapsed:
        name = u"TxElapsed"_s;
        break;
    case Control::TxEventTime:
        name = u"TxEventTime"_s;
        break;
    case Control::ComClear:
        name = u"ComClear"_s;
        break;
    case Control::ComSave:
        name = u"ComSave"_s;
        break;
    case Control::Option1:
        name = u"Option1"_s;
        break;
    case Control::Timer1:
        name = u"Timer1"_s;
        break;
    case Control::Timer2:
        name = u"Timer2"_s;
        break;
    }
    if (isControlArray(ref.control))
        name += u'_' + QString::number(ref.index);
    return name;
}
