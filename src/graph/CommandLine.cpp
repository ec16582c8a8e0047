#include "graph/CommandLine.h"

#include "exports/SvgFigure.h"
#include "exports/XlsxExport.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace
{

// "4,7" → {4, 7}; nothing for a list that is not reading numbers and commas.
std::optional<QSet<int>> readingNumbers(const QString& list)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[0-9]{1,9}\s*$)"));
    QSet<int> numbers;
    for (const QString& part : list.split(u',')) {
        if (!number.match(part).hasMatch())
            return std::nullopt;
        numbers.insert(part.trimmed().toInt());
    }
    return numbers;
}

// Only what this build can write.
QString exportHelp()
{
    QStringList figure{QStringLiteral(".png")};
    if (svgFigureAvailable())
        figure << QStringLiteral(".svg");
    figure << QStringLiteral(".pdf");
    QString text = QStringLiteral("図を OUT (%1)、ページを OUT.html、").arg(figure.join(u", "));
    if (xlsxExportAvailable())
        text += QStringLiteral("ブックを OUT.xlsx、");
    return text + QStringLiteral("測定値を OUT.csv に書いて終わる");
}

} // namespace

CommandLine::CommandLine()
    : m_export(QStringLiteral("export"), exportHelp(), QStringLiteral("OUT")),
      m_report(QStringLiteral("report"), QStringLiteral("結果を JSON で標準出力に書いて終わる")),
      m_fit(QStringLiteral("fit"),
            QStringLiteral("--export と --report の当てはめ: linear、cooling、period（周期）"),
            QStringLiteral("MODEL")),
      m_halfSwing(QStringLiteral("half-swing"),
                  QStringLiteral("--fit period: 半周期ごとに押した（周期はラップの 2 倍）")),
      m_exclude(QStringLiteral("exclude"),
                QStringLiteral("--export と --report で、この測定回を当てはめと統計から"
                               "除く（例: 4,7）。何度でも書ける。データファイルは変えない"),
                QStringLiteral("LIST")),
      m_noFitLabel(QStringLiteral("no-fit-label"),
                   QStringLiteral("--export の図に当てはめの式と値を入れない"))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Quellmark のデータファイルのグラフ。終了状態: 0 すべての行を"
                       "読めた、1 読めない行を除いて作った、2 読めない・当てはめ"
                       "できない・コマンドラインの誤り"));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_export, m_report, m_fit, m_halfSwing, m_exclude, m_noFitLabel});
    m_parser.addPositionalArgument(
        QStringLiteral("FILE|FOLDER"),
        QStringLiteral("データファイル。窓では、その最新のものを追うフォルダでもよい"));
}

QString CommandLine::helpOrVersionText() const
{
    if (isHelp())
        return m_parser.helpText();
    return QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() +
           u'\n';
}

std::optional<Options> CommandLine::options(QString* error) const
{
    Options o;
    const bool report = m_parser.isSet(m_report);
    const bool exporting = m_parser.isSet(m_export);
    if (report && exporting) {
        *error = QStringLiteral("--report と --export は別々に使ってください");
        return std::nullopt;
    }
    o.mode = report ? Mode::Report : exporting ? Mode::Export : Mode::Window;
    o.out = m_parser.value(m_export);
    o.fitLabel = !m_parser.isSet(m_noFitLabel);
    if (m_parser.isSet(m_fit)) {
        const QString name = m_parser.value(m_fit);
        if (name == QStringLiteral("linear")) {
            o.fit.choice = FitChoice::Linear;
        } else if (name == QStringLiteral("cooling")) {
            o.fit.choice = FitChoice::Cooling;
        } else if (name == QStringLiteral("period")) {
            o.fit.choice = FitChoice::Period;
            o.fit.pressPerHalfSwing = m_parser.isSet(m_halfSwing);
        } else {
            *error = QStringLiteral("--fit は linear、cooling、period のどれかです: %1").arg(name);
            return std::nullopt;
        }
    }
    if (m_parser.isSet(m_exclude)) {
        // Every list given counts, not only the last.
        for (const QString& list : m_parser.values(m_exclude)) {
            const std::optional<QSet<int>> numbers = readingNumbers(list);
            if (!numbers) {
                *error = QStringLiteral("--exclude には測定回をコンマで区切って書いてください"
                                        "（例: 4,7）: %1")
                             .arg(list);
                return std::nullopt;
            }
            o.excluded.unite(*numbers);
        }
        if (o.mode == Mode::Window) {
            *error = QStringLiteral("--exclude は --report か --export と使ってください");
            return std::nullopt;
        }
    }
    const QStringList files = m_parser.positionalArguments();
    if (o.mode == Mode::Window ? files.size() > 1 : files.size() != 1) {
        *error = QStringLiteral("データファイルを一つ指定してください");
        return std::nullopt;
    }
    o.file = files.value(0);
    return o;
}
