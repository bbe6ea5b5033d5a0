#include "qt_dialogs.hpp"

#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kelmar {
namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Qt's platforms that draw nowhere: a modal dialog there would wait for ever.
bool shows_windows() {
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

std::optional<FileChoice> run(QFileDialog::AcceptMode mode, std::string_view filter,
                              std::string_view title, Dialogs& memory) {
    if (!shows_windows()) {
        throw Error("\"" + std::string(title) +
                    "\": choosing a file needs a display, and the program runs without one");
    }
    QFileDialog dialog(nullptr, q(title), q(memory.start_folder()), q(filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::string path = dialog.selectedFiles().front().toStdString();
    const PathParts parts = split_path(path);
    FileChoice choice{file_name_of(path), with_trailing_separator(parts.folder),
                      dialog.selectedNameFilter().toStdString()};
    memory.remember_folder(choice.folder);
    return choice;
}

}  // namespace

std::optional<FileChoice> QtDialogs::open_file(std::string_view filter, std::string_view title) {
    return run(QFileDialog::AcceptOpen, filter, title, *this);
}

std::optional<FileChoice> QtDialogs::save_file(std::string_view filter, std::string_view title) {
    return run(QFileDialog::AcceptSave, filter, title, *this);
}

void QtDialogs::message_box(std::string_view text, std::string_view title) {
    if (!shows_windows()) {
        console() << text << std::endl;  // nobody would see the box
        return;
    }
    QMessageBox::information(nullptr, q(title), q(text));
}

void QtDialogs::error_box(std::string_view text, std::string_view title) {
    if (!shows_windows())
        return;  // the console already holds the message
    QMessageBox::critical(nullptr, q(title), q(text));
}

bool QtDialogs::ask(std::string_view text, std::string_view title, std::string_view yes,
                    std::string_view no) {
    if (!shows_windows()) {
        console() << text << std::endl;
        return false;
    }
    QMessageBox box(QMessageBox::Question, q(title), q(text));
    QPushButton* take = box.addButton(q(yes), QMessageBox::AcceptRole);
    box.addButton(q(no), QMessageBox::RejectRole);
    box.setDefaultButton(take);
    box.exec();
    return box.clickedButton() == take;
}

}  // namespace kelmar
