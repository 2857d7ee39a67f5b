// A text marked for translation that the translation does not have yet.
#include <QString>

const QString kOld = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "旧的文字"));
const QString kNew = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "新的文字"));
