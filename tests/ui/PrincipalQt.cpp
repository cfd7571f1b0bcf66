#include "ui/CajasMensaje.h"
#include "ui/Twips.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Headless unless told otherwise, and in English, as a machine the
    // program's Spanish must not depend on.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("LANGUAGE", "en", 1);
    vesmadur::ui::UsarPixelesDeLaPantalla();
    QApplication aplicacion(argc, argv);
    if (!vesmadur::ui::UsarTextosQtEnEspanol())
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
