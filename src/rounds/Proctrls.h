#pragma once
// The tool bar control set: a repeating speed button, a panel with bevels on
// chosen sides, and a family of small controls built the same way (label with
// shadow and angle, clock label, labelled edit, standard-kind button, list box
// with a horizontal extent, combo box, border, mouse region, image), plus the
// up-down control the round window's tool bar uses.
#include <QComboBox>
#include <QEnterEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

class QPainter;
class QTimer;

using TNotifyEvent = std::function<void(QObject* sender)>;
using TProMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

enum TSide { sdLeft, sdTop, sdRight, sdBottom };

// A set of sides; all four by default.
struct TSides {
    unsigned Bits = 0xF;
    static TSides None() { return TSides{0}; }
    static TSides Of(std::initializer_list<TSide> sides) {
        TSides s{0};
        for (TSide side : sides) s.Bits |= 1u << side;
        return s;
    }
    bool Has(TSide side) const { return Bits & (1u << side); }
    bool operator==(const TSides&) const = default;
};

enum TVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TDirection { drNone, drUp, drDown, drLeft, drRight, drUpLeft, drUpRight, drDownLeft, drDownRight };
enum TShadowStyle { ssNone, ssCustom, ssRaised, ssRaisedColor, ssRaisedShadow, ssRaisedThickShadow,
                    ssRecessed, ssRecessedColor, ssRecessedShadow, ssShadow, ssThickShadow };
enum TProLabelPosition { lpLeft, lpTop };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBorderStyle { bsNone, bsSingle };

// Unit step of a direction; y grows downwards.
QPoint DirectionStep(TDirection d);

#define PRO_KIND_LANGUAGES(K)                                                                        \
    pbk##K, pbk##K##Rus, pbk##K##Ukr, pbk##K##Fr, pbk##K##Por, pbk##K##Esp, pbk##K##Ger, pbk##K##Dan, \
        pbk##K##Ita, pbk##K##Swe, pbk##K##Dut, pbk##K##Pol, pbk##K##Hun, pbk##K##Tur, pbk##K##Slk,    \
        pbk##K##Kor, pbk##K##Chn
enum TProButtonKind {
    pbkCustom,
    pbkOk,
    PRO_KIND_LANGUAGES(Cancel), PRO_KIND_LANGUAGES(Help), PRO_KIND_LANGUAGES(Yes),
    PRO_KIND_LANGUAGES(No), PRO_KIND_LANGUAGES(Close), PRO_KIND_LANGUAGES(Abort),
    PRO_KIND_LANGUAGES(Retry), PRO_KIND_LANGUAGES(Ignore), PRO_KIND_LANGUAGES(All),
    PRO_KIND_LANGUAGES(Done), PRO_KIND_LANGUAGES(Prev), PRO_KIND_LANGUAGES(Next),
    PRO_KIND_LANGUAGES(Finish)
};
#undef PRO_KIND_LANGUAGES
static_assert(pbkFinishChn == 222, "223 button kinds");

// What a standard kind sets: default and cancel flags, modal result, caption
// string id and caption (English where the table has no row for the language).
struct TProButtonKindValues {
    bool Default = false;
    bool Cancel = false;
    int ModalResult = 0;
    int StringId = 0;
    std::string Caption;
};
TProButtonKindValues ProButtonKindValues(TProButtonKind kind);

// Rectangle with exclusive right and bottom edges.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

// Draws Width one-pixel rings on the chosen sides and shrinks the rectangle
// by one pixel per ring on each drawn side. Width 0 or less draws nothing.
void Frame3DSides(QPainter* canvas, TRect& rect, TSides sides, const QColor& topColor,
                  const QColor& bottomColor, int width);

// Outer and inner ring colours of a bevel, from the widget's palette.
struct TBevelColours {
    QColor OuterTop, OuterBottom, InnerTop, InnerBottom;
};
TBevelColours BevelColours(const QPalette& palette, TBevelCut bevel, bool ctl3d);

// Mouse-enter and mouse-leave events for a control of the set.
template <class Base> class TProMouseAware : public Base {
public:
    using Base::Base;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual void MouseEnter() {
        if (OnMouseEnter) OnMouseEnter(this);
    }
    virtual void MouseLeave() {
        if (OnMouseLeave) OnMouseLeave(this);
    }
    void enterEvent(QEnterEvent* e) override {
        Base::enterEvent(e);
        MouseEnter();
    }
    void leaveEvent(QEvent* e) override {
        Base::leaveEvent(e);
        MouseLeave();
    }
};

// A flat speed button that repeats its click while held down: first after
// RepeatInitInterval, then every RepeatInterval, while it is pressed under
// the pointer; the ordinary click comes at release over the button.
class TProSpeedButton : public QToolButton {
public:
    explicit TProSpeedButton(QWidget* owner = nullptr);
    ~TProSpeedButton() override;

    bool RepeatEnabled() const { return repeatEnabled_; }
    void SetRepeatEnabled(bool value);
    unsigned RepeatInitInterval = 400;
    unsigned RepeatInterval = 100;

    TNotifyEvent OnClick;
    TProMouseEvent OnMouseDown;
    TProMouseEvent OnMouseUp;

    // Fires OnClick.
    virtual void Click();
    // The repeat timer's handler.
    void TimerExpired();
    // The repeat timer; null until the first press with repeat enabled.
    QTimer* RepeatTimer() const { return timer_; }
    // Pressed under the pointer, as the speed button draws it.
    bool Pressed() const { return isDown(); }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    virtual void MouseDown(QMouseEvent* e);
    virtual void MouseUp(QMouseEvent* e);

private:
    bool repeatEnabled_ = false;
    bool captured_ = false;
    QTimer* timer_ = nullptr;
};

// A panel whose bevels and border are drawn on chosen sides, with a caption
// placed vertically as well as horizontally. The caption is not preset.
class TProCustomPanel : public TProMouseAware<QWidget> {
public:
    explicit TProCustomPanel(QWidget* owner = nullptr);

    bool BevelCtl3D() const { return bevelCtl3D_; }
    void SetBevelCtl3D(bool value);
    TSides BevelSides() const { return bevelSides_; }
    void SetBevelSides(TSides value);
    QColor BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& value);
    TVerticalAlignment VerticalAlignment() const { return verticalAlignment_; }
    void SetVerticalAlignment(TVerticalAlignment value);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    QColor Color() const { return color_; }
    void SetColor(const QColor& value);
    bool Locked = false;
    bool FullRepaint = true;

    // Sets the bevel width to 2 while BevelCtl3D is set; called before the
    // children are laid out.
    virtual void AlignControls();
    // The rectangle the caption is drawn into, for a client rectangle inside
    // the bevels (vertical placement applied).
    QRect CaptionRect(QRect inside) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* e) override;
    void Paint(QPainter& p);

private:
    bool bevelCtl3D_ = false;
    TSides bevelSides_;
    QColor borderColor_;
    TVerticalAlignment verticalAlignment_ = vaCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
    QString caption_;
    QColor color_;
};

class TProPanel : public TProCustomPanel {
public:
    using TProCustomPanel::TProCustomPanel;
};

// Paints bevel, border and inner bevel as the panel does; shrinks r.
void PaintProBevels(QPainter* p, const QPalette& palette, TRect& r, TBevelCut outer, TBevelCut inner,
                    bool ctl3d, TSides sides, int bevelWidth, const QColor& borderColor, int borderWidth);

// Highlight and shadow values a shadow style writes.
struct TShadowPreset {
    TDirection HighlightDirection;
    int HighlightDepth;
    TDirection ShadowDirection;
    int ShadowDepth;
    int ShadowSize;
};
TShadowPreset ShadowPreset(TShadowStyle style);

// A label drawn with optional rotation, highlight and shadow.
class TProCustomLabel : public TProMouseAware<QWidget> {
public:
    explicit TProCustomLabel(QWidget* owner = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    QColor Color() const { return color_; }
    void SetColor(const QColor& value);
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& value);

    int Angle() const { return angle_; }
    void SetAngle(int value);  // normalised to 0..359
    QColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(const QColor& value);
    int HighlightDepth() const { return highlightDepth_; }
    void SetHighlightDepth(int value);
    TDirection HighlightDirection() const { return highlightDirection_; }
    void SetHighlightDirection(TDirection value);
    int OffsetX() const { return offsetX_; }
    void SetOffsetX(int value);
    int OffsetY() const { return offsetY_; }
    void SetOffsetY(int value);
    QColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(const QColor& value);
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int value);
    TDirection ShadowDirection() const { return shadowDirection_; }
    void SetShadowDirection(TDirection value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int value);
    TShadowStyle ShadowStyle() const { return shadowStyle_; }
    void SetShadowStyle(TShadowStyle value);
    TVerticalAlignment VerticalAlignment() const { return verticalAlignment_; }
    void SetVerticalAlignment(TVerticalAlignment value);
    TVerticalAlignment Layout() const { return verticalAlignment_; }
    void SetLayout(TVerticalAlignment value) { SetVerticalAlignment(value); }

    // Size the caption needs with the offsets and the shadow.
    QSize TextExtent() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;
    void DrawCaption(QPainter& p, QPoint at, const QColor& colour);
    void AdjustBounds();
    void Changed();

private:
    QString caption_;
    TAlignment alignment_ = taLeftJustify;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool autoSize_ = true;
    QColor color_;
    QColor fontColor_;
    int angle_ = 0;
    QColor highlightColor_;
    int highlightDepth_ = 0;
    TDirection highlightDirection_ = drNone;
    int offsetX_ = 0;
    int offsetY_ = 0;
    QColor shadowColor_;
    int shadowDepth_ = 0;
    TDirection shadowDirection_ = drNone;
    int shadowSize_ = 0;
    TShadowStyle shadowStyle_ = ssNone;
    TVerticalAlignment verticalAlignment_ = vaTop;
};

class TProLabel : public TProCustomLabel {
public:
    using TProCustomLabel::TProCustomLabel;
};

// A label showing the current date and time, renewed by its own timer.
class TProClockLabel : public TProLabel {
public:
    explicit TProClockLabel(QWidget* owner = nullptr);
    // "c": the locale's short date and long time; anything else is a
    // date-time pattern of QDateTime::toString.
    QString Format = "c";
    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TNotifyEvent OnTimer;
    // Shows the time now and fires OnTimer.
    void Tick();
    static QString FormatDateTime(const QString& format, const QDateTime& when);

private:
    QTimer* timer_;
    int interval_ = 1000;
    bool enabled_ = true;
};

// A TProLabel and an edit box side by side (or the label on top).
class TProLabelEdit : public TProMouseAware<QWidget> {
public:
    explicit TProLabelEdit(QWidget* owner = nullptr);
    TProLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TProLabelPosition value);
    int LabelWidth() const { return labelWidth_; }
    void SetLabelWidth(int value);
    int LabelHeight() const { return labelHeight_; }
    void SetLabelHeight(int value);
    int Gap() const { return gap_; }
    void SetGap(int value);
    QString Caption() const { return Label->Caption(); }
    void SetCaption(const QString& value) { Label->SetCaption(value); }
    QString Text() const { return Edit->text(); }
    void SetText(const QString& value) { Edit->setText(value); }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    TProLabel* Label;
    QLineEdit* Edit;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void Relayout();

private:
    TProLabelPosition labelPosition_ = lpLeft;
    int labelWidth_ = 100;
    int labelHeight_ = 17;
    int gap_ = 4;
    bool autoSize_ = false;
};

// A push button of a standard kind.
class TProButton : public TProMouseAware<QPushButton> {
public:
    explicit TProButton(QWidget* owner = nullptr);
    // Reads pbkCustom (and resets the kind to it) once Default, Cancel or
    // ModalResult no longer match the kind.
    TProButtonKind Kind();
    void SetKind(TProButtonKind kind);
    bool Default() const { return isDefault(); }
    void SetDefault(bool value) { setDefault(value); }
    // Esc in the button's form clicks a visible, enabled Cancel button, and
    // Enter the Default one.
    bool Cancel = false;
    int ModalResult = 0;
    TNotifyEvent OnClick;
    // Help kinds open the nearest help context, Close kinds close the form;
    // otherwise (or without one) the ordinary click runs.
    virtual void Click();
    // The form the button sits on: its MDI child frame, or its window.
    QWidget* Form() const;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TProButtonKind kind_ = pbkCustom;
};

// A list box whose horizontal scroll extent follows its widest item.
class TProCustomListBox : public TProMouseAware<QListWidget> {
public:
    explicit TProCustomListBox(QWidget* owner = nullptr);
    bool AutoHorzScroll() const { return autoHorzScroll_; }
    void SetAutoHorzScroll(bool value);
    int HorzScrollExtent() const { return horzScrollExtent_; }
    void SetHorzScrollExtent(int value);
    void AddString(const QString& s);
    void InsertString(int index, const QString& s);
    void DeleteString(int index);
    void ClearList();
    // The extent applied: HorzScrollExtent + the widest item (with AutoHorzScroll).
    int HorizontalExtent() const { return extent_; }
    int WidestItem() const { return widest_; }

protected:
    void changeEvent(QEvent* e) override;
    void updateGeometries() override;

private:
    int ItemWidth(const QString& s) const;
    void Recompute();
    void ApplyExtent();
    bool autoHorzScroll_ = true;
    int horzScrollExtent_ = 0;
    int widest_ = 0;
    int extent_ = 0;
};

class TProListBox : public TProCustomListBox {
public:
    using TProCustomListBox::TProCustomListBox;
};

// The combo box keeps no item selected (-1) until one is chosen, also when
// items are added to an empty list.
class TProComboBox : public TProMouseAware<QComboBox> {
public:
    explicit TProComboBox(QWidget* owner = nullptr);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
};

// A frame painted as the panel's bevels and border, without fill or caption.
class TProBorder : public TProMouseAware<QWidget> {
public:
    explicit TProBorder(QWidget* owner = nullptr);
    bool BevelCtl3D() const { return bevelCtl3D_; }
    void SetBevelCtl3D(bool value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TSides BevelSides() const { return bevelSides_; }
    void SetBevelSides(TSides value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);  // ignored while BevelCtl3D is set
    QColor BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool bevelCtl3D_ = false;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvLowered;
    TSides bevelSides_;
    int bevelWidth_ = 1;
    QColor borderColor_;
    int borderWidth_ = 0;
};

// An invisible area that only reports the mouse.
class TProMouseRegion : public TProMouseAware<QWidget> {
public:
    explicit TProMouseRegion(QWidget* owner = nullptr);
    TProMouseEvent OnMouseDown, OnMouseUp;
    std::function<void(QObject*, Qt::KeyboardModifiers, int, int)> OnMouseMove;
    TNotifyEvent OnClick, OnDblClick;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// An image control: stretched, centred, tiled, or at the top left.
class TProImage : public TProMouseAware<QWidget> {
public:
    explicit TProImage(QWidget* owner = nullptr);
    QPixmap Picture() const { return picture_; }
    void SetPicture(const QPixmap& picture);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Tiled() const { return tiled_; }
    void SetTiled(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // Pictures are decoded whole, so no progress is ever reported.
    bool IncrementalDisplay = false;
    TNotifyEvent OnProgress;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPixmap picture_;
    bool autoSize_ = false, center_ = false, stretch_ = false, tiled_ = false, transparent_ = false;
};

// The class library's up-down control: two repeating arrow buttons that step
// Position between Min and Max and click whatever the position.
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };  // up or right; down or left

class TUpDown : public QWidget {
public:
    explicit TUpDown(TUDOrientation orientation, QWidget* owner = nullptr);
    TUDOrientation Orientation() const { return orientation_; }
    int Min = 0;
    int Max = 100;
    int Position = 0;
    bool Wrap = false;
    std::function<void(QObject* sender, TUDBtnType button)> OnClick;
    TProMouseEvent OnMouseUp;
    // One click of an arrow: steps the position, then fires OnClick.
    void Click(TUDBtnType button);
    TProSpeedButton* NextButton() const { return next_; }
    TProSpeedButton* PrevButton() const { return prev_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TUDOrientation orientation_;
    TProSpeedButton* next_;
    TProSpeedButton* prev_;
};
