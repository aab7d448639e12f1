#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace koa::online {

// "KOA online settings": the server and the account of the publishing server.
class onlineSettings : public QDialog {
    Q_OBJECT
public:
    explicit onlineSettings(QString settingsDatabase, QWidget* parent = nullptr);

    QLineEdit* txtServer = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    // Stores the three fields; false when that failed (reported).
    bool saveData();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    QString m_database;
};

} // namespace koa::online
