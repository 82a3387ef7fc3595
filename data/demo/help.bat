@echo off
rem Help > Instructions: opens the how-to kept beside this script in the
rem program Windows uses for text files.
if not exist "%~dp0Instructions.txt" (
    echo Instructions not found: %~dp0Instructions.txt
    pause
    exit /b 1
)
start "" "%~dp0Instructions.txt"
