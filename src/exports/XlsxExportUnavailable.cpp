#include "exports/XlsxExport.h"

// The build without libxlsxwriter.
bool xlsxExportAvailable()
{
    return false;
}

bool writeXlsxBook(const QString& path, const XlsxBook&, QString* error, const QStringList&)
{
    *error = QStringLiteral("この版は XLSX で保存できません: %1").arg(path);
    return false;
}
