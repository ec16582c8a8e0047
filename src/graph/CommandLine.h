#pragma once

#include "readings/Results.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// quellmark-graph's command line. It is read before any application object
// exists: --help, --version and a wrong option need no display, and the kind
// of application (none, offscreen or a window) depends on what was asked.

enum class Mode { Window, Export, Report };

struct Options {
    Mode mode = Mode::Window;
    QString file; // or folder, for the window
    QString out;
    FitRequest fit;
    QSet<int> excluded; // reading numbers
    bool fitLabel = true;
};

class CommandLine
{
public:
    CommandLine();

    bool parse(const QStringList& arguments) { return m_parser.parse(arguments); }
    QString errorText() const { return m_parser.errorText(); }
    bool withoutWindow() const { return m_parser.isSet(m_report) || m_parser.isSet(m_export); }
    bool helpOrVersion() const { return isHelp() || m_parser.isSet(QStringLiteral("version")); }
    QString helpOrVersionText() const;
    // The options, or why they do not go together.
    std::optional<Options> options(QString* error) const;

private:
    bool isHelp() const
    {
        return m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"));
    }

    QCommandLineParser m_parser;
    QCommandLineOption m_export;
    QCommandLineOption m_report;
    QCommandLineOption m_fit;
    QCommandLineOption m_halfSwing;
    QCommandLineOption m_exclude;
    QCommandLineOption m_noFitLabel;
};
