#include "framework/core/Nrwutilapp.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"

using Nrwutilapp::IncluiExcluiGruposClassif;

// An included group holds itself and what is below, not its siblings.
TEST(Nrwutilapp, GroupsIncludedOrExcludedWithWhatIsBelow) {
  EXPECT_EQ(IncluiExcluiGruposClassif(1, "1.1"),
            "(P.CLASSIFCONTA = '1.1' or P.CLASSIFCONTA like '1.1.%')");
  EXPECT_EQ(IncluiExcluiGruposClassif(1, " 1.1. ; 2", "CLASSIF"),
            "(CLASSIF = '1.1' or CLASSIF like '1.1.%' or CLASSIF = '2' or CLASSIF like '2.%')");
  // Excluded groups are all kept out.
  EXPECT_EQ(IncluiExcluiGruposClassif(2, "1;3.2"),
            "(P.CLASSIFCONTA <> '1' and P.CLASSIFCONTA not like '1.%' and P.CLASSIFCONTA <> "
            "'3.2' and P.CLASSIFCONTA not like '3.2.%')");
  // An empty selection does not restrict; an unknown kind is refused.
  EXPECT_EQ(IncluiExcluiGruposClassif(1, " ; "), "1=1");
  EXPECT_EQ(IncluiExcluiGruposClassif(2, ""), "1=1");
  EXPECT_THROW(IncluiExcluiGruposClassif(3, "1"), Exception);
  EXPECT_EQ(IncluiExcluiGruposClassif(1, "O'1"),
            "(P.CLASSIFCONTA = 'O''1' or P.CLASSIFCONTA like 'O''1.%')");
}
