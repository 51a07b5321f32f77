# The procedures test carries the installer's package and knows the files it was made from.
qs_give_package_to_test(${TEST_TARGET})
