#include "exports/SvgFigure.h"

#include "exports/SafeText.h"

#include <QBuffer>
#include <QPixmap>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <optional>

QByteArray svgFigure(QCustomPlot& plot, QSize size, const QString& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    // Qt writes the title as given, markup and all: it is put in escaped below.
    static const QString titleMark = QStringLiteral("quellmark-figure-title");
    svg.setTitle(titleMark);
    // Points become pixels at the resolution the PNG is drawn at (the
    // generator's own 72 dpi made the text 0.75 times as large).
    svg.setResolution(QPixmap(1, 1).logicalDpiY());
    QCPPainter painter;
    if (!painter.begin(&svg))
        return {};
    plot.toPainter(&painter, size.width(), size.height());
    if (!painter.end())
        return {};
    QByteArray bytes = joinSvgTextRuns(buffer.data());
    const QByteArray placeholder = "<title>" + titleMark.toUtf8() + "</title>";
    if (const qsizetype at = bytes.indexOf(placeholder); at >= 0)
        bytes.replace(at, placeholder.size(),
                      "<title>" + markupEscaped(title).toUtf8() + "</title>");
    return bytes;
}

QByteArray joinSvgTextRuns(const QByteArray& svg)
{
    // <text ATTRIBUTES x="…" y="…" FONT>CONTENT</text>, as Qt writes it.
    static const QRegularExpression run(
        QStringLiteral(R"re(<text ([^>]*?)x="([^"]*)" y="([^"]*)" ([^>]*?)\s*>([^<]*)</text>)re"));
    static const QRegularExpression family(QStringLiteral(R"re(font-family="([^"]*)")re"));
    // Qt escapes the markup of the texts it draws but keeps their control
    // characters, which no XML may hold.
    const QString text = withoutXmlForbidden(QString::fromUtf8(svg));
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    struct Open {
        QString before, x, y, font, content;
    };
    std::optional<Open> open;
    qsizetype openEnd = 0;
    const auto close = [&] {
        if (!open)
            return;
        QString font = open->font;
        font.replace(family, QStringLiteral(R"(font-family="'\1', sans-serif")"));
        out += QStringLiteral(R"(<text %1x="%2" y="%3" %4>%5</text>)")
                   .arg(open->before, open->x, open->y, font, open->content);
        open.reset();
    };
    for (QRegularExpressionMatchIterator it = run.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool follows =
            open && text.sliced(openEnd, m.capturedStart() - openEnd).trimmed().isEmpty() &&
            m.captured(1) == open->before && m.captured(3) == open->y &&
            m.captured(4) == open->font;
        if (follows) {
            open->content += m.captured(5);
        } else {
            close();
            out += text.sliced(copied, m.capturedStart() - copied);
            open = Open{m.captured(1), m.captured(2), m.captured(3), m.captured(4), m.captured(5)};
        }
        openEnd = copied = m.capturedEnd();
    }
    close();
    out += text.sliced(copied);
    return out.toUtf8();
}

bool svgFigureAvailable()
{
    return true;
}
