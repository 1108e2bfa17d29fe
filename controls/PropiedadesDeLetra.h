#pragma once

#include <QFont>
#include <QWidget>

#include <type_traits>

// Sets one attribute of a widget's font and keeps the others: a widget takes its font whole.
template <class Valor>
void CambiarLetra(QWidget& control, void (QFont::*atributo)(Valor), std::type_identity_t<Valor> valor)
{
    QFont letra = control.font();
    (letra.*atributo)(valor);
    control.setFont(letra);
}

// The font properties the in-house controls save (fontsize, fontbold, fontitalic), for a
// control that derives from this after its Qt widget and declares the ones it saves as
// Q_PROPERTYs.
template <class Control>
class PropiedadesDeLetra
{
public:
    double fontsize() const { return control().font().pointSizeF(); }
    // A size that is not positive leaves the font's own.
    void setFontsize(double puntos)
    {
        if (puntos > 0)
            CambiarLetra(control(), &QFont::setPointSizeF, puntos);
    }
    bool fontbold() const { return control().font().bold(); }
    void setFontbold(bool negrita) { CambiarLetra(control(), &QFont::setBold, negrita); }
    bool fontitalic() const { return control().font().italic(); }
    void setFontitalic(bool cursiva) { CambiarLetra(control(), &QFont::setItalic, cursiva); }

private:
    Control& control() { return static_cast<Control&>(*this); }
    const Control& control() const { return static_cast<const Control&>(*this); }
};
