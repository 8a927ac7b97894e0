// The services on Qt's own dialogs, for a person at the screen.
#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "file_filter.h"
#include "internal.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "qt_text.h"

namespace platform::ui {

namespace {

QWidget* OwnerWidget(Window* owner) {
  QWidget* w = owner ? detail::WidgetOf(*owner) : nullptr;
  return w ? w->window() : nullptr;
}

QString BoxText(const std::string& text) {
  QString s = detail::ToQt(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QString StartPath(const std::string& folder, const std::string& name) {
  QString path = detail::ToQt(folder);
  if (!name.empty()) {
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    path += detail::ToQt(name);
  }
  return path;
}

class QtServices : public Services {
 public:
  BoxAnswer ShowMessageBox(const MessageBoxRequest& box, Window* owner) override {
    EnsureApplication();
    QMessageBox m(OwnerWidget(owner));
    m.setWindowTitle(detail::ToQt(box.title));
    m.setText(BoxText(box.text));
    switch (box.icon) {
      case BoxIcon::Stop:
        m.setIcon(QMessageBox::Critical);
        break;
      case BoxIcon::Exclamation:
        m.setIcon(QMessageBox::Warning);
        break;
      case BoxIcon::Question:
        m.setIcon(QMessageBox::Question);
        break;
      case BoxIcon::Information:
        m.setIcon(QMessageBox::Information);
        break;
      case BoxIcon::None:
        break;
    }
    std::vector<std::pair<QPushButton*, BoxAnswer>> buttons;
    auto add = [&](const char* caption, QMessageBox::ButtonRole role, BoxAnswer answer) {
      buttons.emplace_back(m.addButton(QString::fromUtf8(caption), role), answer);
    };
    switch (box.buttons) {
      case BoxButtons::Ok:
        add("OK", QMessageBox::AcceptRole, BoxAnswer::Ok);
        break;
      case BoxButtons::OkCancel:
        add("OK", QMessageBox::AcceptRole, BoxAnswer::Ok);
        add("キャンセル", QMessageBox::RejectRole, BoxAnswer::Cancel);
        break;
      case BoxButtons::YesNo:
        add("はい(&Y)", QMessageBox::YesRole, BoxAnswer::Yes);
        add("いいえ(&N)", QMessageBox::NoRole, BoxAnswer::No);
        break;
    }
    std::size_t preferred = box.defaultButton == 1 && buttons.size() > 1 ? 1 : 0;
    m.setDefaultButton(buttons[preferred].first);
    m.setEscapeButton(buttons.back().first);
    m.exec();
    for (auto& [button, answer] : buttons) {
      if (m.clickedButton() == button) return answer;
    }
    return buttons.back().second;
  }

  bool ChooseFile(const FileDialogRequest& request, Window* owner, std::string& path) override {
    EnsureApplication();
    QFileDialog d(OwnerWidget(owner), detail::ToQt(request.title));
    d.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d.setNameFilter(QString::fromUtf8(detail::QtFileFilter(request.filter)));
    d.setDefaultSuffix(QString::fromUtf8(detail::QtDefaultSuffix(request.defaultExtension)));
    d.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & kOverwritePrompt));
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!request.initialFolder.empty()) d.setDirectory(detail::ToQt(request.initialFolder));
    if (!request.fileName.empty()) d.selectFile(StartPath(request.initialFolder, request.fileName));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;
    path = detail::FromQt(d.selectedFiles().front());
    return true;
  }

  bool ChooseFolder(const FolderRequest& request, Window* owner, std::string& path) override {
    EnsureApplication();
    QString chosen = QFileDialog::getExistingDirectory(OwnerWidget(owner), detail::ToQt(request.title),
                                                       detail::ToQt(request.initialFolder),
                                                       QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty()) return false;
    path = detail::FromQt(chosen);
    return true;
  }

  bool OfferDownload(const DownloadOffer& offer, Window* owner, std::string& path) override {
    EnsureApplication();
    QString name = detail::ToQt(offer.fileName);
    QString question = offer.size >= 0
                           ? QString::fromUtf8("%1 (%2 バイト) を保存しますか？")
                                 .arg(name, QLocale().toString(static_cast<qlonglong>(offer.size)))
                           : QString::fromUtf8("%1 を保存しますか？").arg(name);
    if (QMessageBox::question(OwnerWidget(owner), QString::fromUtf8("ファイルのダウンロード"), question) !=
        QMessageBox::Yes) {
      return false;
    }
    FileDialogRequest save;
    save.save = true;
    save.fileName = offer.fileName;
    save.filter = "*.*|*.*|";
    save.flags = kOverwritePrompt;
    return ChooseFile(save, owner, path);
  }
};

}  // namespace

Services& QtDialogServices() {
  static QtServices services;
  return services;
}

}  // namespace platform::ui
