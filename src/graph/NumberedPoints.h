#pragma once

#include <qcustomplot.h>

#include <functional>
#include <optional>
#include <vector>

// A graph's points together with the reading each one is. The graph's own
// container stays the only copy of the points; beside it one number per
// point, in the container's (time) order, so that a point can be named, found
// and moved to another graph when it is left out or taken back.
class NumberedPoints
{
public:
    struct Point {
        double key = 0.0;
        double value = 0.0;
        int number = 0;
    };

    explicit NumberedPoints(QCPGraph* graph) : m_graph(graph) {}

    QCPGraph* graph() const { return m_graph; }
    int size() const { return int(m_numbers.size()); }
    Point at(int i) const;
    std::optional<Point> find(int number) const;
    const std::vector<int>& numbers() const { return m_numbers; }

    void clear();
    // `data` and `numbers` of equal length, in any order. Points that come
    // after the last one (rows as the file grows) are appended in place.
    void add(QVector<QCPGraphData> data, std::vector<int> numbers);
    // Removes the points of the readings `take` names and returns them, in
    // time order.
    std::vector<Point> takeIf(const std::function<bool(int)>& take);
    void add(const std::vector<Point>& points);

private:
    QCPGraph* m_graph;
    std::vector<int> m_numbers;
};
