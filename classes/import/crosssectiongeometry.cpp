#include "crosssectiongeometry.h"

#include <QtGlobal>

CrossSectionGeometry::CrossSectionGeometry(int shapeCode, double a, double b)
{
    m_hasArea = shapeCode >= 0 && shapeCode <= 6;
    m_hasPerimeter = shapeCode >= 0 && shapeCode <= 4;
    switch (shapeCode) {
    case 0:
        m_area = kPi * a * a / 4.0;
        m_perimeter = kPi * a;
        m_diameter = a;
        break;
    case 1:
        m_area = a * a;
        m_perimeter = 4.0 * a;
        m_diameter = a;
        break;
    case 2:
        m_area = a * b;
        m_perimeter = 2.0 * (a + b);
        break;
    case 3:
        m_area = kPi * a * b / 4.0;
        m_perimeter = kPi * (a + b) / 2.0;
        break;
    case 4:
        m_area = qMax(0.0, kPi * (b * b - a * a) / 4.0);
        m_perimeter = kPi * (a + b);
        break;
    case 5:
        m_area = a * b / 2.0;
        break;
    case 6:
        m_area = a * b;
        break;
    default:
        break;
    }
    if (m_hasArea && m_area == 0.0) {
        m_succeeded = false;
        return;
    }
    if (shapeCode >= 2 && shapeCode <= 4)
        m_diameter = m_perimeter != 0.0 ? 4.0 * m_area / m_perimeter : 0.0;
}
