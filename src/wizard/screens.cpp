#include "wizard/screens.h"

#include "framework/forms.h"
#include "install/unit10.h"
#include "wizard/unit1.h"
#include "wizard/finish_screen.h"
#include "wizard/unit3.h"
#include "wizard/unit4.h"
#include "wizard/unit5.h"
#include "wizard/unit6.h"
#include "wizard/unit7.h"
#include "wizard/unit8.h"
#include "wizard/unit9.h"

namespace wizard {

void CreateScreens() {
    mvt::TApplication& application = mvt::Application();
    application.CreateForm(Form1);
    application.CreateForm(Form3);
    application.CreateForm(Form4);
    application.CreateForm(Form5);
    application.CreateForm(Form6);
    application.CreateForm(Form7);
    application.CreateForm(Form8);
    application.CreateForm(Form9);
    application.CreateForm(Form10);
    application.CreateForm(Form11);
}

}  // namespace wizard
