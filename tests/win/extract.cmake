# win_extract carries the installer's package resource itself and learns where the
# packaged product files and the built installer are.
qs_give_package_to_test(${TEST_TARGET})
