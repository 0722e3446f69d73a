// The map window from which Marsden squares are picked: the North Atlantic or the world.
#ifndef GEO_KEMSQA_H
#define GEO_KEMSQA_H

#include <QMainWindow>
#include <QPoint>
#include <QPointer>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "geo/mapregion.h"
#include "geo/mapview.h"

class QLabel;
class QLineEdit;
class QPainter;

/// A box of longitude and latitude in degrees; west greater than east crosses the 180th meridian.
struct MapBox {
    double west = 0, south = 0, east = 0, north = 0;
};

/// Shows a region in map units of 5 degrees (the North Atlantic 60W to 60E, 85N to 15S: 0 to 24
/// across, 0 to 20 down; the world 180W to 180E, 90N to 90S: 0 to 72 by 0 to 36). A click marks
/// the 5-degree cell and records its 10-degree square; Escape hands the picks to the area field
/// and closes; the close box discards them. Each region has a window of its own.
///
/// On a navigable region (the world) the wheel zooms around the pointer, a drag pans, Home
/// shows it all, the arrow keys pan and + and - zoom; a press and release without movement is
/// the click, and Shift with a drag draws a box, which boxDrawn() reports.
class kemsqa : public QMainWindow {
    Q_OBJECT

public:
    /// The "North Atlantic" command: empties the picks, then loads the window if it is not
    /// loaded and shows it (not modal) or brings it forward. Escape writes into areaField.
    static kemsqa* open(QLineEdit* areaField);
    /// The same for the window of region ("World": geo::worldRegion()).
    static kemsqa* open(const geo::MapRegion& region, QLineEdit* areaField);
    /// The North Atlantic window while it is loaded, else nullptr.
    static kemsqa* instance();
    /// The window of region while it is loaded, else nullptr.
    static kemsqa* instance(const geo::MapRegion& region);
    /// The squares of the last search run with the number of its selected forms naming each
    /// (empty after a run that selected nothing); the maps shade them under their grids.
    static void setLastResult(std::map<int, int> squares);
    static const std::map<int, int>& lastResult();
    /// Squares of the last result to outline over its tint (the rows chosen in the results
    /// window); empty for none.
    static void setOutlined(std::vector<int> squares);
    static const std::vector<int>& outlined();
    /// The box of the search's filter, drawn on the maps as a rectangle; none for no box.
    static void setFilterBox(std::optional<MapBox> box);

    ~kemsqa() override;

    const geo::MapView& view() const { return m_view; }

Q_SIGNALS:
    /// Shift and a drag drew a box on the map, in whole degrees.
    void boxDrawn(double west, double south, double east, double north);

private:
    kemsqa(const geo::MapRegion& region, QLineEdit* areaField);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void createMenus();
    void createMapArea();
    void placeWindow();
    void paintMap(QPainter& painter) const;
    void paintGrid(QPainter& painter) const;
    void paintLastResult(QPainter& painter) const;
    void paintOutlined(QPainter& painter) const;
    void paintBoxes(QPainter& painter) const;
    bool navigationKey(const QKeyEvent* event);
    bool mouseEvent(QEvent* event);
    QPointF toMap(QPointF pixel) const;
    QPointF toPixel(QPointF map) const;
    void pointerMoved(QPointF map);
    void showSquareCount();
    void buttonPressed(QPointF map, int button, int shift);
    void finishBox(QPointF from, QPointF to);
    void handOverPicks();
    std::string& picks();

    const geo::MapRegion& m_region;
    geo::MapView m_view;
    QPointer<QLineEdit> m_areaField;
    QWidget* m_map = nullptr;      // the drawing area, objectName "mapArea"
    QLineEdit* m_status = nullptr; // Text1
    QLabel* m_squareCount = nullptr; // Text2: the forms of the last result in the square under the pointer
    std::string m_label;           // square label of the latest pointer position
    std::vector<QPointF> m_marks;  // top left corners of the "*" marks, map units
    std::string m_ownPicks;        // a region's other than the North Atlantic's, whose are msqpicks
    // A press on a navigable map: a click, a pan or a box, as the pointer moves before the release.
    struct Press {
        QPointF at;   // pixels
        QPointF last; // pixels, of the latest move
        int button = 0;
        int shift = 0;
        bool moved = false; // past the drag distance: no click
        bool box = false;   // Shift held: a box, not a pan
    };
    std::optional<Press> m_press;
};

#endif // GEO_KEMSQA_H
