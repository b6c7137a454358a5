// The viewer's entry point.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("Vistrel Records Preview");
  window.setFixedSize(825, 540);
  window.setStyleSheet("background-color: navy;");
  window.show();
  return app.exec();
}
