// The map window of the North Atlantic from which Marsden squares are picked.
#ifndef GEO_KEMSQA_H
#define GEO_KEMSQA_H

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <string>
#include <vector>

class QLineEdit;
class QPainter;

/// Shows a map of 60W to 60E, 85N to 15S in map units of 5 degrees (0 to 24 across, 0 to 20
/// down). A click marks the 5-degree cell and records its 10-degree square in msqpicks;
/// Escape hands the picks to the area field and closes; the close box discards them.
class kemsqa : public QMainWindow {
    Q_OBJECT

public:
    /// The "North Atlantic" command: empties the picks, then loads the window if it is not
    /// loaded and shows it (not modal) or brings it forward. Escape writes into areaField.
    static kemsqa* open(QLineEdit* areaField);
    /// The window while it is loaded, else nullptr.
    static kemsqa* instance();
    /// The squares of the last search run with the number of its selected forms naming each
    /// (empty after a run that selected nothing); the map shades them under its grid.
    static void setLastResult(std::map<int, int> squares);
    static const std::map<int, int>& lastResult();
    /// Squares of the last result to outline over its tint (the rows chosen in the results
    /// window); empty for none.
    static void setOutlined(std::vector<int> squares);
    static const std::vector<int>& outlined();

    ~kemsqa() override;

private:
    explicit kemsqa(QLineEdit* areaField);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void createMenus();
    void createMapArea();
    void placeWindow();
    void paintMap(QPainter& painter) const;
    void paintLastResult(QPainter& painter) const;
    void paintOutlined(QPainter& painter) const;
    QPointF toMap(QPointF pixel) const;
    QPointF toPixel(QPointF map) const;
    void pointerMoved(QPointF map);
    void buttonPressed(QPointF map, int button, int shift);
    void handOverPicks();

    QPointer<QLineEdit> m_areaField;
    QWidget* m_map = nullptr;      // the drawing area, objectName "mapArea"
    QLineEdit* m_status = nullptr; // Text1
    std::string m_label;           // square label of the latest pointer position
    std::vector<QPointF> m_marks;  // top left corners of the "*" marks, map units
};

#endif // GEO_KEMSQA_H
