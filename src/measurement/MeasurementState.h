#pragma once

#include "app/FormControls.h"

#include <QString>

// The measurement state is the caption of Label4; these are the only words the
// logic writes, and only "測定中" and "保存完了" are ever tested for.
namespace StateWord
{
inline const QString WaitingToStart = QStringLiteral("開始待");
inline const QString Measuring = QStringLiteral("測定中");
inline const QString Saved = QStringLiteral("保存完了");
} // namespace StateWord

namespace Colors
{
constexpr BgrColor Red = 0x0000FF;
constexpr BgrColor SkyBlue = 0xFFFF80;
constexpr BgrColor Yellow = 0x00FFFF;
constexpr BgrColor Green = 0x00FF00;
constexpr BgrColor LightOrange = 0xC0E0FF;
constexpr BgrColor Grey = 0x808080;
} // namespace Colors

inline constexpr ControlRef Label4{Control::Label4};
inline constexpr ControlRef Label7{Control::Label7};
inline constexpr ControlRef Text2{Control::Text2};
inline constexpr ControlRef TxYMD{Control::TxYMD};
inline constexpr ControlRef TxHMS{Control::TxHMS};
inline constexpr ControlRef TxStartTime{Control::TxStartTime};
inline constexpr ControlRef TxElapsed{Control::TxElapsed};
inline constexpr ControlRef TxEventTime{Control::TxEventTime};
inline constexpr ControlRef ComClear{Control::ComClear};
inline constexpr ControlRef ComSave{Control::ComSave};
inline constexpr ControlRef Option1{Control::Option1};
inline constexpr ControlRef Timer1{Control::Timer1};
inline constexpr ControlRef Timer2{Control::Timer2};

// Case-insensitive, as the state word has always been compared.
inline bool stateIs(const FormControls& form, const QString& word)
{
    return form.caption(Label4).compare(word, Qt::CaseInsensitive) == 0;
}
inline bool isMeasuring(const FormControls& form)
{
    return stateIs(form, StateWord::Measuring);
}
inline bool isSaved(const FormControls& form)
{
    return stateIs(form, StateWord::Saved);
}
