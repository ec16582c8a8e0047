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
    std::vector<QCPGraph*> wanted;
    for (QCPGraph* graph : m_entries) {
        if (!graph->data()->isEmpty())
            wanted.push_back(graph);
    }
    bool same = int(wanted.size()) == m_legend->itemCount();
    for (std::size_t i = 0; same && i < wanted.size(); ++i)
        same = m_legend->itemWithPlottable(wanted[i]) == m_legend->item(int(i));
    // Removing an entry and adding it again would change the order: all anew.
    if (!same) {
        m_legend->clearItems();
        for (QCPGraph* graph : wanted)
            graph->addToLegend(m_legend);
    }
    m_legend->setVisible(!wanted.empty());
}
