# While the sheet is open the window takes no commands.
select SYSCLK
press 1010
menu save
