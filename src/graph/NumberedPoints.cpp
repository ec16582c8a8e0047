#include "graph/NumberedPoints.h"

#include <algorithm>
#include <utility>

NumberedPoints::Point NumberedPoints::at(int i) const
{
    const auto d = m_graph->data()->at(i);
    return {d->key, d->value, m_numbers[std::size_t(i)]};
}

std::optional<NumberedPoints::Point> NumberedPoints::find(int number) const
{
    const auto it = std::find(m_numbers.begin(), m_numbers.end(), number);
    if (it == m_numbers.end())
        return std::nullopt;
    return at(int(it - m_numbers.begin()));
}

void NumberedPoints::clear()
{
    // Another file's points need the room, not the memory of these.
    m_graph->data()->clear();
    m_graph->data()->squeeze();
    m_numbers = {};
}

void NumberedPoints::add(QVector<QCPGraphData> data, std::vector<int> numbers)
{
    if (data.isEmpty())
        return;
    QCPGraphDataContainer& container = *m_graph->data();
    const bool sorted = std::is_sorted(data.begin(), data.end(), qcpLessThanSortKey<QCPGraphData>);
    // The usual case, and the one that must stay cheap at a million readings:
    // the container takes the vector over without a copy.
    if (sorted && (container.isEmpty() || data.front().key > (container.constEnd() - 1)->key)) {
        container.add(data, true);
        if (m_numbers.empty())
            m_numbers = std::move(numbers);
        else
            m_numbers.insert(m_numbers.end(), numbers.begin(), numbers.end());
        return;
    }
    // Rows out of time order (two measurements in one file, or one edited by
    // hand): one stable sort of old and new together keeps the numbers beside
    // their points.
    std::vector<Point> all;
    all.reserve(std::size_t(container.size() + data.size()));
    for (int i = 0; i < container.size(); ++i)
        all.push_back(at(i));
    for (qsizetype i = 0; i < data.size(); ++i)
        all.push_back({data[i].key, data[i].value, numbers[std::size_t(i)]});
    std::stable_sort(all.begin(), all.end(),
                     [](const Point& a, const Point& b) { return a.key < b.key; });
    QVector<QCPGraphData> merged;
    merged.reserve(qsizetype(all.size()));
    m_numbers.clear();
    m_numbers.reserve(all.size());
    for (const Point& p : all) {
        merged.append(QCPGraphData(p.key, p.value));
        m_numbers.push_back(p.number);
    }
    container.set(merged, true);
}

void NumberedPoints::add(const std::vector<Point>& points)
{
    QVector<QCPGraphData> data;
    std::vector<int> numbers;
    data.reserve(qsizetype(points.size()));
    numbers.reserve(points.size());
    for (const Point& p : points) {
        data.append(QCPGraphData(p.key, p.value));
        numbers.push_back(p.number);
    }
    add(std::move(data), std::move(numbers));
}

std::vector<NumberedPoints::Point> NumberedPoints::takeIf(const std::function<bool(int)>& take)
{
    std::vector<Point> taken;
    if (std::none_of(m_numbers.begin(), m_numbers.end(), take))
        return taken;
    QVector<QCPGraphData> kept;
    std::vector<int> keptNumbers;
    for (int i = 0; i < size(); ++i) {
        const Point p = at(i);
        if (take(p.number)) {
            taken.push_back(p);
        } else {
            kept.append(QCPGraphData(p.key, p.value));
            keptNumbers.push_back(p.number);
        }
    }
    m_graph->data()->set(kept, true);
    m_numbers = std::move(keptNumbers);
    return taken;
}
