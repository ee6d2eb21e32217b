#include "ui/qt_settings.h"

#include <QSettings>

namespace vendrel::ui {

namespace {

QString KeyOf(std::string_view key) {
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

std::vector<std::string> QtSettings::Get(std::string_view key) const {
  QSettings settings("vendrel", "vendrel");
  std::vector<std::string> values;
  const int count = settings.beginReadArray(KeyOf(key));
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    values.push_back(settings.value("value").toByteArray().toStdString());
  }
  settings.endArray();
  return values;
}

void QtSettings::Set(std::string_view key, const std::vector<std::string>& values) {
  QSettings settings("vendrel", "vendrel");
  settings.remove(KeyOf(key));
  settings.beginWriteArray(KeyOf(key), static_cast<int>(values.size()));
  for (size_t i = 0; i < values.size(); ++i) {
    settings.setArrayIndex(static_cast<int>(i));
    settings.setValue("value", QByteArray::fromStdString(values[i]));
  }
  settings.endArray();
}

}  // namespace vendrel::ui
