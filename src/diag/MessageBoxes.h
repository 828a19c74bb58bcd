#pragma once

#include <QString>

#include "diag/FormatText.h"
#include "diag/Prompter.h"
#include "diag/XmlError.h"

class QObject;

// The three message boxes. The text is the fixed format filled with the arguments; a user's text
// is only ever an argument. Captions used: "通知" for notices, "確認" for questions, "エラー".
inline constexpr char16_t kCaptionNotice[] = u"通知";
inline constexpr char16_t kCaptionConfirm[] = u"確認";
inline constexpr char16_t kCaptionError[] = u"エラー";

template <class... Args>
void WarningBox(QObject* owner, QStringView caption, QStringView format, const Args&... args) {
    CurrentPrompter().messageBox(owner, MessageIcon::Warning, caption.toString(),
                                 FormatText(format, {FormatArg(args)...}));
}

// Returns kAnswerYes or kAnswerNo.
template <class... Args>
int QuestionBox(QObject* owner, QStringView caption, QStringView format, const Args&... args) {
    return CurrentPrompter().messageBox(owner, MessageIcon::Question, caption.toString(),
                                        FormatText(format, {FormatArg(args)...}));
}

// A question whose default answer is No (Enter answers No); returns kAnswerYes or kAnswerNo.
template <class... Args>
int QuestionBoxDefaultNo(QObject* owner, QStringView caption, QStringView format,
                         const Args&... args) {
    return CurrentPrompter().questionDefaultNo(owner, caption.toString(),
                                               FormatText(format, {FormatArg(args)...}));
}

// A question with the given buttons; returns the index of the one chosen (cancelButton for
// Escape).
template <class... Args>
int ChoiceBox(QObject* owner, QStringView caption, const QStringList& buttons, int defaultButton,
              int cancelButton, QStringView format, const Args&... args) {
    return CurrentPrompter().choiceBox(owner, caption.toString(),
                                       FormatText(format, {FormatArg(args)...}), buttons,
                                       defaultButton, cancelButton);
}

template <class... Args>
void ErrorBox(QObject* owner, QStringView caption, QStringView format, const Args&... args) {
    CurrentPrompter().messageBox(owner, MessageIcon::Error, caption.toString(),
                                 FormatText(format, {FormatArg(args)...}));
}

// A notice: caption "通知", warning icon, OK.
template <class... Args>
void Notice(QObject* owner, QStringView format, const Args&... args) {
    WarningBox(owner, kCaptionNotice, format, args...);
}

// Reports an XML engine failure that an operation caught: the box "エラーが起きました" (caption
// "エラー", no owner, the given icon) and a log line "エラー <description>" naming the reporting
// source location. Use through REPORT_XML_ERROR so the location is the caller's.
void ReportComError(const XmlError& error, MessageIcon icon, const char* sourceFile,
                    int sourceLine);

#define REPORT_XML_ERROR(error, icon) ReportComError((error), (icon), __FILE__, __LINE__)
