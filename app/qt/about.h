// TAbout: the splash shown for a moment at start-up. Its picture is drawn here (SplashPicture),
// so the program carries no artwork files.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <string>

namespace quillop {

// The splash picture at `width` x `height`: a picture on its way out in an envelope, with the
// product's name.
QImage SplashPicture(int width, int height);

class TAbout : public QWidget {
 public:
  explicit TAbout(QWidget* parent = nullptr);

  QLabel* Image1() const { return fImage; }
  // Shows the splash with `caption`, painted at once.
  void ShowWith(const std::string& caption);

 private:
  QLabel* fImage;
};

}  // namespace quillop
