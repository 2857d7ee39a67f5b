<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Aviluma</name>
    <message>
        <source>旧的文字</source>
        <translation>Old text</translation>
    </message>
</context>
</TS>
