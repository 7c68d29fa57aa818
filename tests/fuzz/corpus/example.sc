Profile: 5
// Example of configuration file 
// Data area. 
// ADR, DATA; // Remark 
0x01, 10; // HEX address, Decimal value
2, 56; // Decimal address, Decimal value 
3, 0x1234; // Decimal address, HEX value 
7, -3453; // negative value 
5, 344;
11, 344;
12, 344; // Three operators in one line 
0xFFF0, 3; // Save Data 
// End of File
