#pragma once
// What assistive technologies (a screen reader, through AT-SPI on Linux) find in a spectrum
// window's client area: the text boxes of its picture ("PITCH: 500 Hz", "AVGS: 1", the span),
// each a static text child of the area, read as they stand when asked.

#include <QAccessible>
#include <QRect>
#include <QString>

namespace keblor {

class SpectrumClient;

// Gives every SpectrumClient its accessible interface. Once per program; again does nothing.
void InstallSpectrumAccessibility();

// The accessible interface of the client's text box `index` (0 .. SpectrumPicture::BOX_COUNT - 1),
// made when first asked for and owned by Qt's registry under the returned id until
// ForgetLabel. Reads the box through the client, which must outlive it.
QAccessible::Id LabelId(SpectrumClient* client, int index);
void ForgetLabel(QAccessible::Id id);

// Tells assistive technologies that the box now reads differently.
void AnnounceLabelChanged(QAccessible::Id id);

}  // namespace keblor
