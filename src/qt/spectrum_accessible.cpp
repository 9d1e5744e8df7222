#include "qt/spectrum_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "qt/spectrum_window.h"

namespace keblor {
namespace {

// One text box of the picture. It has no QObject of its own: the client owns it by its id.
class LabelInterface : public QAccessibleInterface {
 public:
  LabelInterface(SpectrumClient* client, int index) : client_(client), index_(index) {}

  bool isValid() const override { return !client_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return client_ ? client_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(client_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !client_ || index_ >= client_->Picture().boxCount) return {};
    return QString::fromStdString(client_->Picture().boxes[static_cast<std::size_t>(index_)].text);
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!client_ || index_ >= client_->Picture().boxCount) return {};
    const QRect box = client_->BoxRect(index_);
    return QRect(client_->mapToGlobal(box.topLeft()), box.size());
  }
  QAccessible::Role role() const override { return QAccessible::StaticText; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.readOnly = true;
    state.invisible = !client_ || !client_->isVisible();
    return state;
  }

 private:
  QPointer<SpectrumClient> client_;
  int index_;
};

// The client area: a picture whose children are the text boxes it shows.
class ClientInterface : public QAccessibleWidget {
 public:
  explicit ClientInterface(SpectrumClient* client) : QAccessibleWidget(client, QAccessible::Graphic) {}

  int childCount() const override { return Client()->Picture().boxCount; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    return QAccessible::accessibleInterface(LabelId(Client(), index));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i)
      if (QAccessible::accessibleInterface(LabelId(Client(), i)) == child) return i;
    return -1;
  }
  // The decode line, while shown, then the spots, newest first:
  // "DL1ABC 24: CQ CQ DE DL1ABC. Spots: DL1ABC heard, K1XX".
  QString text(QAccessible::Text t) const override {
    const SpectrumPicture& picture = Client()->Picture();
    if (t != QAccessible::Description || (!picture.decodeLine && picture.spotCount == 0))
      return QAccessibleWidget::text(t);
    QString words;
    if (picture.decodeLine) {
      const QString label = QString::fromUtf8(picture.decodeLabel.data());
      const QString text = QString::fromUtf8(picture.decodeText.data());
      words = label.isEmpty() ? text : label + QStringLiteral(": ") + text;
    }
    for (int i = 0; i < picture.spotCount; ++i) {
      const SpotMark& mark = picture.spots[static_cast<std::size_t>(i)];
      if (i == 0) words += words.isEmpty() ? QStringLiteral("Spots: ") : QStringLiteral(". Spots: ");
      if (i > 0) words += QStringLiteral(", ");
      words += QString::fromUtf8(mark.call.data()) + (mark.heard ? QStringLiteral(" heard") : QString());
    }
    return words;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i) {
      QAccessibleInterface* label = child(i);
      if (label->rect().contains(x, y)) return label;
    }
    return nullptr;
  }

 private:
  SpectrumClient* Client() const { return static_cast<SpectrumClient*>(widget()); }
};

// The spectrum window: a window inside the main window, by its title.
class WindowInterface : public QAccessibleWidget {
 public:
  explicit WindowInterface(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* client = dynamic_cast<SpectrumClient*>(object)) return new ClientInterface(client);
  if (auto* window = dynamic_cast<SpectrumWindow*>(object)) return new WindowInterface(window);
  return nullptr;
}

}  // namespace

void InstallSpectrumAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

QAccessible::Id LabelId(SpectrumClient* client, int index) {
  QAccessible::Id& id = client->LabelIdSlot(index);
  if (id == 0) id = QAccessible::registerAccessibleInterface(new LabelInterface(client, index));
  return id;
}

void ForgetLabel(QAccessible::Id id) {
  if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

void AnnounceLabelChanged(QAccessible::Id id) {
  if (id == 0 || !QAccessible::isActive()) return;
  QAccessibleEvent event(QAccessible::accessibleInterface(id), QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace keblor
