#ifndef CROSSSECTIONGEOMETRY_H
#define CROSSSECTIONGEOMETRY_H

// Area, perimeter and hydraulic diameter of one shell of a flue
// cross-section, from the Quarnel shape code and the two dimensions.
//
//  code  shape                              A              U            dh
//   0    circle, diameter a                 pi a^2/4       pi a         a
//   1    square, side a                     a^2            4a           a
//   2    rectangle a x b                    ab             2(a+b)       4A/U
//   3    ellipse, axes a and b              pi ab/4        pi(a+b)/2    4A/U
//   4    ring, inner diameter a, outer b    pi(b^2-a^2)/4  pi(a+b)      4A/U
//   5                                       ab/2           -            -
//   6                                       ab             -            -
//
// A negative ring area counts as 0. The computation fails when the area is
// 0; a code above 6 gives nothing and does not fail.
class CrossSectionGeometry
{
public:
    CrossSectionGeometry(int shapeCode, double a, double b);

    // False when the shape has an area and it is 0.
    bool succeeded() const { return m_succeeded; }
    bool hasArea() const { return m_hasArea; }
    bool hasPerimeter() const { return m_hasPerimeter; }
    // Only the codes 0 to 4 give a hydraulic diameter.
    bool hasHydraulicDiameter() const { return m_hasPerimeter && m_succeeded; }

    double area() const { return m_area; }
    double perimeter() const { return m_perimeter; }
    double hydraulicDiameter() const { return m_diameter; }

    static constexpr double kPi = 3.141592653589793;

private:
    bool m_succeeded = true;
    bool m_hasArea = false;
    bool m_hasPerimeter = false;
    double m_area = 0.0;
    double m_perimeter = 0.0;
    double m_diameter = 0.0;
};

#endif // CROSSSECTIONGEOMETRY_H
