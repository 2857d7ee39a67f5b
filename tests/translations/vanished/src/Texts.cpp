// The translation still holds a text that is gone from here.
#include <QString>

const QString kNew = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "新的文字"));
