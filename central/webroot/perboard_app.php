<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>포인트 충전</title></head>
<body>
<h1>포인트 충전</h1>
<p>포인트 충전은 이 서버의 운영자에게 문의하세요.</p>
</body>
</html>
