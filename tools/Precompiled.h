// The headers most of the sources include (and GoogleTest's for the test programs), parsed once for the whole tree when it is built with
// -DAVILUMA_PRECOMPILED_HEADERS=ON (./test --quick does): an unoptimised build spends most of its
// time reading Qt's headers again for every file. Sources still include what they use.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

