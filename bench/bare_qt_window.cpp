// The yardstick for start-up: the least a Qt 6 Widgets program does to show
// a window of the dialog's size, built with the same compiler and flags. It
// ends the process once the window has been painted, as zq-register does
// under ZQ_EXIT_AFTER_FIRST_PAINT.
//
//   bare_qt_window [--japanese-text]
//
// With --japanese-text the window also shows the dialog's longest text in
// the dialog's font, IPAPGothic 9 point: the cost of drawing Japanese at all.
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace {

class ExitAfterFirstPaint : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow())
      QTimer::singleShot(0, [] { std::_Exit(0); });
    return false;
  }
};

} // namespace

int main(int argc, char **argv) {
  QApplication application(argc, argv);
  ExitAfterFirstPaint exit_after_first_paint;
  application.installEventFilter(&exit_after_first_paint);
  QWidget window;
  window.setWindowTitle("bare");
  window.resize(327, 205);
  if (argc > 1 && strcmp(argv[1], "--japanese-text") == 0) {
    QFont font("IPAPGothic");
    font.setPointSize(9);
    window.setFont(font);
    QLabel *text = new QLabel(
        QString::fromUtf8("あらかじめインターネットに接続しておいて下さい。\n"
                          "名前を入力し、送信をクリックすると登録を開始します。\n"
                          "結果はいつでも次の URL で確認することができます。"),
        &window);
    text->setAlignment(Qt::AlignHCenter);
    text->setGeometry(12, 39, 303, 65);
  }
  window.show();
  return application.exec();
}
