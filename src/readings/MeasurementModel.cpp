#include "readings/MeasurementModel.h"

#include "readings/ResultFormatting.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace
{

// Times that are not numbers go last, so that the order stays a strict one.
bool earlier(double a, double b)
{
    return std::isless(a, b) || (!std::isnan(a) && std::isnan(b));
}

bool inRange(double t, const MeasurementModel::Range& range)
{
    return !range || (t >= range->first && t <= range->second);
}

} // namespace

void MeasurementModel::clear()
{
    const int generation = m_generation + 1;
    *this = MeasurementModel();
    m_generation = generation;
}

bool MeasurementModel::drawable(const Reading& r)
{
    return r.rejected || (std::isfinite(r.elapsed) && std::isfinite(r.value));
}

void MeasurementModel::append(const QList<ReadRow>& rows, const QString& valueTitle,
                              const QStringList& subjectLines)
{
    // The first batch of a long file is the whole file: sized once.
    if (m_readings.isEmpty())
        m_readings.reserve(rows.size());
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::ChangedSubject) {
            const bool any = !m_readings.isEmpty();
            m_changes.push_back({any ? m_readings.back().number : -1,
                                 any ? m_readings.back().elapsed : 0.0, row.texts});
            continue;
        }
        if (row.kind == RowKind::Subject)
            m_initialSubject = row.texts.first(std::min<qsizetype>(5, row.texts.size()));
        if (row.kind != RowKind::Data)
            continue;
        if (!m_readings.isEmpty()) {
            const Reading& last = m_readings.back();
            m_timeOrdered = m_timeOrdered && !earlier(row.elapsed, last.elapsed);
            m_numberOrdered = m_numberOrdered && row.number >= last.number;
        }
        m_readings.append(readingOf(row, m_excluded.contains(row.number)));
        m_highestReading = std::max(m_highestReading, row.number);
        if (row.rejected)
            ++m_rejected;
    }
    m_valueTitle = valueTitle;
    m_unit = unitOfValueTitle(valueTitle);
    m_subjectLines = subjectLines;
}

QString subjectText(const QStringList& lines)
{
    QStringList shown;
    for (const QString& line : lines.mid(0, 5)) {
        if (!line.trimmed().isEmpty())
            shown.append(line.trimmed());
    }
    return shown.join(QStringLiteral("  "));
}

QString MeasurementModel::title() const
{
    return subjectText(m_subjectLines);
}

void MeasurementModel::setExcluded(const QSet<int>& numbers)
{
    m_excluded = numbers;
    for (Reading& r : m_readings)
        r.excluded = m_excluded.contains(r.number);
}

template <typename Keep> std::vector<int> MeasurementModel::inTimeOrder(Keep keep) const
{
    std::vector<int> indices;
    for (int i = 0; i < m_readings.size(); ++i) {
        if (keep(m_readings[i]))
            indices.push_back(i);
    }
    if (!m_timeOrdered)
        std::stable_sort(indices.begin(), indices.end(), [this](int a, int b) {
            return earlier(m_readings[a].elapsed, m_readings[b].elapsed);
        });
    return indices;
}

MeasurementModel::ReadingState MeasurementModel::readingState(int number) const
{
    ReadingState state = ReadingState::Missing;
    for (const Reading& r : m_readings) {
        if (r.number != number || !drawable(r))
            continue;
        if (r.rejected)
            return ReadingState::Rejected;
        if (state == ReadingState::Missing || r.excluded)
            state = r.excluded ? ReadingState::Excluded : ReadingState::Used;
    }
    return state;
}

std::optional<std::pair<double, double>> MeasurementModel::readingPoint(int number) const
{
    const std::vector<int> shown =
        inTimeOrder([number](const Reading& r) { return r.number == number && drawable(r); });
    if (shown.empty())
        return std::nullopt;
    const Reading& r = m_readings[shown.front()];
    return std::make_pair(r.elapsed, r.value);
}

std::vector<int> MeasurementModel::excludedReadings() const
{
    std::vector<int> numbers;
    for (const int i :
         inTimeOrder([](const Reading& r) { return !r.rejected && r.excluded && drawable(r); }))
        numbers.push_back(m_readings[i].number);
    return numbers;
}

std::vector<int> MeasurementModel::rejectedReadings() const
{
    std::vector<int> numbers;
    for (const int i : inTimeOrder([](const Reading& r) { return r.rejected; }))
        numbers.push_back(m_readings[i].number);
    return numbers;
}

bool MeasurementModel::used(const Reading& r, const Range& range)
{
    return !r.rejected && !r.excluded && drawable(r) && inRange(r.elapsed, range);
}

std::vector<int> MeasurementModel::validInTimeOrder(const Range& range) const
{
    return inTimeOrder([&range](const Reading& r) { return used(r, range); });
}

MeasurementModel::Points MeasurementModel::validPoints(const Range& range) const
{
    // Counted first and sized once: vectors grown by doubling would hold up
    // to twice the room at a million readings.
    std::size_t count = 0;
    for (const Reading& r : m_readings)
        count += used(r, range) ? 1 : 0;
    Points points;
    points.t.reserve(count);
    points.y.reserve(count);
    forEachValidPoint(range, [&points](double t, double y) {
        points.t.push_back(t);
        points.y.push_back(y);
    });
    return points;
}

bool MeasurementModel::counted(const Reading& r)
{
    return !r.rejected && !r.excluded && r.number > 0 && std::isfinite(r.lap);
}

std::vector<double> MeasurementModel::laps() const
{
    std::vector<int> order;
    for (int i = 0; i < m_readings.size(); ++i) {
        if (counted(m_readings[i]))
            order.push_back(i);
    }
    if (!m_numberOrdered)
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            return m_readings[a].number < m_readings[b].number;
        });
    std::vector<double> seconds;
    seconds.reserve(order.size());
    for (const int i : order)
        seconds.push_back(m_readings[i].lap);
    return seconds;
}

std::vector<analysis::Press> MeasurementModel::presses(const Range& range) const
{
    std::vector<analysis::Press> presses;
    presses.reserve(std::size_t(m_readings.size()));
    for (const Reading& r : m_readings) {
        if (range && !inRange(r.elapsed, range))
            continue;
        presses.push_back({r.number, r.elapsed, r.rejected, r.excluded && !r.rejected});
    }
    // File order, as the reader gives them: presses at one time keep it.
    if (!m_numberOrdered)
        std::stable_sort(presses.begin(), presses.end(),
                         [](const analysis::Press& a, const analysis::Press& b) {
                             return a.reading < b.reading;
                         });
    return presses;
}
