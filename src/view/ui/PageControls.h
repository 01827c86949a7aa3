#pragma once
// The settings pages' controls, each named by its control id so that a
// test finds it as the dialog resource names it.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace qv::page {

inline QString U(const char* s) { return QString::fromUtf8(s); }

template <typename W>
W* Named(W* w, int id) {
  w->setObjectName(QString::number(id));
  return w;
}

inline QCheckBox* Check(QWidget* parent, int id, const char* text) { return Named(new QCheckBox(U(text), parent), id); }
inline QLineEdit* Edit(QWidget* parent, int id) { return Named(new QLineEdit(parent), id); }
inline QPushButton* Button(QWidget* parent, int id, const char* text) {
  return Named(new QPushButton(U(text), parent), id);
}
inline QComboBox* DropList(QWidget* parent, int id) { return Named(new QComboBox(parent), id); }

// Check boxes pass 0/1, texts pass as the bytes the settings hold.
inline void SetCheck(QCheckBox* box, int on) { box->setChecked(on != 0); }
inline int Checked(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }
inline void SetText(QLineEdit* edit, const std::string& text) { edit->setText(QString::fromStdString(text)); }
inline std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

} // namespace qv::page
