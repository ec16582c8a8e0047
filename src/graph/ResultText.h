#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"

#include <QString>

// The results as the window shows them and as they are saved as text.
QString fitResultText(const analysis::FitResult& fit);
QString lapStatisticsText(const analysis::LapStatistics& laps);
