#include "graph/FigureLegend.h"

FigureLegend::FigureLegend(QCPAxisRect* rect, std::initializer_list<QCPGraph*> entries)
    : m_legend(new QCPLegend), m_entries(entries)
{
    rect->insetLayout()->addElement(m_legend, Qt::AlignRight | Qt::AlignTop);
    m_legend->setLayer(QStringLiteral("legend"));
    m_legend->setFont(rect->parentPlot()->font());
    m_legend->setBrush(QColor(255, 255, 255, 220));
    m_legend->setBorderPen(QPen(QColor(160, 160, 160)));
    m_legend->setSelectableParts(QCPLegend::spNone);
    m_legend->setVisible(false);
}

void FigureLegend::update()
{
    int shown = 0;
    for (QCPGraph* graph : m_entries) {
        const bool wanted = !graph->data()->isEmpty();
        if (wanted != m_legend->hasItemWithPlottable(graph)) {
            // Removing and adding keeps no order: the entries are laid out again.
            m_legend->clearItems();
            for (QCPGraph* g : m_entries) {
                if (!g->data()->isEmpty())
                    g->addToLegend(m_legend);
            }
            break;
        }
    }
    for (QCPGraph* graph : m_entries)
        shown += graph->data()->isEmpty() ? 0 : 1;
    m_legend->setVisible(shown > 0);
}
