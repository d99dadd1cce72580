# The commands of the README.
.PHONY: run test windows windows-test
run:
	./scripts/run.sh
test:
	./scripts/test.sh
# tovik.exe and dist/tovik-<version>-windows-x64.zip (the toolchain is cached outside the clone).
windows:
	./scripts/windows.sh
# The Windows build's tests under Wine.
windows-test:
	./scripts/windows.sh all test
